#include "library/scan_walk.h"

#include <filesystem>
#include <system_error>

#include "library/audio_extensions.h"

namespace vn {

WalkResult WalkAudioFiles(const std::string& folder, const std::function<bool()>& keepGoing) {
  namespace fs = std::filesystem;
  WalkResult result;
  std::error_code ec;
  fs::recursive_directory_iterator it(fs::path(folder), ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    if (!keepGoing()) return result;
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    std::string path = it->path().string();
    if (HasAudioFileExtension(path)) result.files.push_back(std::move(path));
  }
  if (ec) {
    result.failed = true;
    result.error = ec.message();
  }
  return result;
}

}  // namespace vn
