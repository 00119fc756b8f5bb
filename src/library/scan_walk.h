#pragma once
// The first step of a scan: every sound file below a folder.
#include <functional>
#include <string>
#include <vector>

namespace vn {

struct WalkResult {
  std::vector<std::string> files;  // in the order the walk met them
  bool failed = false;             // the walk ended on an error
  std::string error;               // the error's text (may be empty)
};

// Regular files with a sound-file extension, recursively. keepGoing is asked
// before every entry; the walk stops early when it says no.
WalkResult WalkAudioFiles(const std::string& folder, const std::function<bool()>& keepGoing);

}  // namespace vn
