#pragma once
// Reads the composition of an AAF file back: its tracks and clips with their
// timecode, source file, gain and fades. It reads what our writer writes (and files
// laid out the same way) and treats every byte as untrusted: a damaged file gives an
// error, never a crash or an unbounded allocation.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vn::aaf {

struct ReadClip {
  std::string name;
  int64_t position = 0;  // edit units of the track from the composition's start
  int64_t length = 0;
  int64_t sourceOffset = 0;
  int channels = 1;
  std::string sourceUrl;  // the essence's locator, "" when it cannot be followed
  double gain = 1.0;      // the constant clip gain; the first point of automation
  bool gainAutomation = false;
  int64_t fadeIn = 0, fadeOut = 0;
  int64_t crossfade = 0;  // the dissolve from the clip before it
};

struct ReadTrack {
  std::string name;
  int editRate = 0;
  int physicalNumber = 0;
  std::vector<ReadClip> clips;
};

struct ReadMarker {
  int64_t position = 0;
  std::string comment;
};

struct ReadSession {
  std::string compositionName;
  int timecodeRate = 0;
  int64_t timecodeStart = 0;  // frames
  std::vector<ReadTrack> tracks;
  std::vector<ReadMarker> markers;
  std::string product;  // the identification's product name and version text
};

std::optional<ReadSession> readSessionFile(const std::string& path, std::string& error);
std::optional<ReadSession> readSessionBytes(std::string bytes, std::string& error);

// True when the file begins with the compound-file signature.
bool looksLikeAaf(const std::string& path);

}  // namespace vn::aaf
