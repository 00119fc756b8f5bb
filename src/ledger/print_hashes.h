#pragma once
// The two fingerprints a Print keeps of its written file: the content fingerprint
// of the file's bytes, and a hash of its decoded samples that survives a new header.
#include <cstdint>
#include <functional>
#include <optional>
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

// The sample hashes of the files `next` gives, one after another until it gives
// none, up to four read side by side (one hash is a chain of dependent
// multiplications; several keep the processor busy). `done` gets each path with
// its hash as it is finished, in any order.
using NextPath = std::function<std::optional<std::string>()>;
using PcmHashDone = std::function<void(const std::string& path, uint64_t pcmHash)>;
void ComputePcmHashes(const NextPath& next, const PcmHashDone& done);

OutputHashes ComputeOutputHashes(const std::string& path);
// The content fingerprint and size alone (pcmHash left 0).
OutputHashes ComputeFileFingerprints(const std::string& path);

}  // namespace vn
