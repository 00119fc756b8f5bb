#pragma once
// Diagnostic lines: printf-style, one bracketed subsystem tag, ending in a line feed.
// They go to standard output (a few timing lines to standard error); tests may
// capture them through a sink instead.
#include <functional>
#include <string>

#include "platform/text.h"  // format(), which most callers of logLine also use

namespace vn {

enum class LogStream { Out, Err };

// Writes one formatted diagnostic line to standard output.
void logLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Same, to standard error (timing and update lines).
void logErrLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Replaces the destination of every diagnostic line; an empty function restores
// the standard streams. Returns the previous sink.
using LogSink = std::function<void(LogStream, const std::string&)>;
LogSink setLogSink(LogSink sink);

}  // namespace vn
