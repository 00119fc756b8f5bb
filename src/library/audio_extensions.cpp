#include "library/audio_extensions.h"

#include <algorithm>

#include "library/ascii_case.h"
#include "platform/paths.h"

namespace vn {

bool HasAudioFileExtension(const std::string& path) {
  static const char* const kExtensions[] = {".wav", ".aif", ".aiff", ".caf", ".w64", ".rf64", ".au",
                                            ".snd", ".raw", ".sd2",  ".paf", ".iff", ".svx"};
  std::string ext = LowerAsciiCopy(extensionOf(path));
  return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* e) { return ext == e; });
}

}  // namespace vn
