#pragma once
// Writes generated sound files: libsndfile encodes into memory, the bytes reach the
// disk through the atomic writer, so a half-written file never appears.
#include <string>
#include <vector>

namespace vn::tools {

struct SoundFileSpec {
  int format = 0;  // SF_FORMAT_* container | sub-format
  int sampleRate = 48000;
  std::vector<int> channelMap;                // SF_CHANNEL_MAP_* per channel; empty for none
  std::string bextDescription;                // empty: no Broadcast-WAV block
  std::string ixml;                           // empty: no iXML chunk
  std::string title, comment, artist, genre;  // INFO strings; empty ones are left out
};

// channels: one vector of samples per channel, all of the same length.
// Empty when libsndfile refuses the format or the data.
std::string EncodeSoundFile(const SoundFileSpec& fileSpec, const std::vector<std::vector<float>>& channels,
                            std::string& error);

// Encodes and writes atomically; false with a reason on failure.
bool WriteSoundFile(const std::string& path, const SoundFileSpec& fileSpec, const std::vector<std::vector<float>>& channels,
                    std::string& error);

}  // namespace vn::tools
