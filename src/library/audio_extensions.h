#pragma once
// Which files count as sound files when a folder is walked (scan and relink).
#include <string>

namespace vn {

// True for ".wav", ".aif", ".aiff", ".caf", ".w64", ".rf64", ".au", ".snd", ".raw",
// ".sd2", ".paf", ".iff" and ".svx" in any letter case.
bool HasAudioFileExtension(const std::string& path);

}  // namespace vn
