#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace vn {
namespace {

std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}
LogSink& currentSink() {
  static LogSink sink;
  return sink;
}

void emit(LogStream stream, const std::string& text) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  if (currentSink()) {
    currentSink()(stream, text);
    return;
  }
  FILE* f = stream == LogStream::Out ? stdout : stderr;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fflush(f);
}

}  // namespace

void logLine(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  emit(LogStream::Out, text);
}

void logErrLine(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = vformat(fmt, args);
  va_end(args);
  emit(LogStream::Err, text);
}

LogSink setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  LogSink previous = std::move(currentSink());
  currentSink() = std::move(sink);
  return previous;
}

}  // namespace vn
