#pragma once
// Integrated loudness of a sound file on disk, every channel weighted by its
// speaker role when the layout is one the program writes.
#include <optional>
#include <string>

namespace vn {

struct FileLoudness {
  float lufs = -100.0f;
  int channels = 0;
  int sampleRate = 0;
  double seconds = 0.0;
  float samplePeak = 0.0f;
};

// nullopt with a reason when the file cannot be read.
std::optional<FileLoudness> measureFileLoudness(const std::string& path, std::string& error);

}  // namespace vn
