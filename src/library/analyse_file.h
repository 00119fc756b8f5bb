#pragma once
// One sound file into one LibraryRecord: format, identity, metadata text, category
// words and the signal measures of its first 30 seconds.
#include <string>

#include "library/analysis/working_set.h"
#include "library/library.h"

namespace vn {

// Only this much of a file is decoded and measured.
constexpr double kAnalysedSeconds = 30.0;

// Fills record (which should start as a fresh record). False when the file is
// rejected; whyRejected, when given, then receives one sentence saying why.
bool AnalyseFile(const std::string& path, LibraryRecord& record, AnalysisWorkingSet& set,
                 std::string* whyRejected = nullptr);

// The file's last write time in whole seconds since 1970 (0 when unknown).
int64_t FileModifiedTime(const std::string& path);

}  // namespace vn
