#pragma once
// The two fingerprints a Print keeps of its written file: the content fingerprint
// of the file's bytes, and a hash of its decoded samples that survives a new header.
#include <cstdint>
#include <string>

namespace vn {

struct OutputHashes {
  uint64_t outputHash = 0;  // 0: the file was not fingerprinted
  uint64_t outputSize = 0;
  uint64_t pcmHash = 0;     // 0: the file does not open as sound or has no frames
};

// FNV-1a over the samples read as 32-bit integers (each least significant byte
// first, channels interleaved), then the frame count (8 bytes) and the channel count
// (4 bytes); 0 becomes 1. 0 when the file does not open or holds no frames.
uint64_t ComputePcmHash(const std::string& path);

OutputHashes ComputeOutputHashes(const std::string& path);

}  // namespace vn
