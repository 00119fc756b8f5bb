#pragma once
// File names of AAF essence: "<base>_<nnn>_<clip>.wav", "_src_" for source-native
// clips, ".L"/".R" for the halves of a split stereo clip, and a "-t<samples>" suffix
// when a name is already taken in the essence folder.
#include <cstdint>
#include <set>
#include <string>

namespace vn {

struct EssenceNameRequest {
  std::string base;
  int clipNumber = 0;
  std::string clipName;
  bool sourceNative = false;
  const char* channelSuffix = "";  // "", ".L" or ".R"
  int64_t position = 0;            // the clip's timeline position in samples, for the suffix
};

// A name unique among taken, which then holds it (compared without case, as some
// file systems do).
std::string essenceFileName(const EssenceNameRequest& request, std::set<std::string>& taken);

// A clip name safe in a file name: path separators and control characters become '_'.
std::string essenceSafeName(const std::string& name);

}  // namespace vn
