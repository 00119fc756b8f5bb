#pragma once
// A region of a source file with all of its channels, at the project rate: what a
// source-native AAF clip ships.
#include <optional>
#include <string>
#include <vector>

namespace vn {

struct SourceChannelsRegion {
  std::vector<std::vector<float>> channels;
  double startSeconds = 0.0;  // where in the file the region begins
};

// From offset for duration seconds (a negative duration: to the end), clamped to the
// file; nullopt when the file cannot be read.
std::optional<SourceChannelsRegion> readSourceChannels(const std::string& path, double offset, double duration,
                                               int sampleRate);

}  // namespace vn
