#include "ledger/print_hashes.h"

#include <sndfile.h>

#include <vector>

#include "library/buffered_sound_io.h"
#include "library/file_identity.h"
#include "platform/fnv.h"

namespace vn {

uint64_t ComputePcmHash(const std::string& path) {
  SF_INFO info{};
  BufferedSoundFile io;
  SNDFILE* file = openBufferedSoundFile(path, SFM_READ, info, io);
  if (!file) return 0;
  if (info.channels <= 0 || info.frames <= 0) {
    closeBufferedSoundFile(file, io);
    return 0;
  }
  const sf_count_t chunkFrames = 65536 / info.channels + 1;
  std::vector<int> samples(static_cast<size_t>(chunkFrames) * static_cast<size_t>(info.channels));
  uint64_t hash = kFnvStart;
  uint64_t totalFrames = 0;
  for (;;) {
    const sf_count_t got = sf_readf_int(file, samples.data(), chunkFrames);
    if (got <= 0) break;
    hash = fnvFeedSamples(hash, samples.data(), static_cast<size_t>(got) * static_cast<size_t>(info.channels));
    totalFrames += static_cast<uint64_t>(got);
  }
  closeBufferedSoundFile(file, io);
  if (totalFrames == 0) return 0;
  hash = fnvFeedU64(hash, totalFrames);
  const uint32_t channels = static_cast<uint32_t>(info.channels);
  const unsigned char channelBytes[4] = {static_cast<unsigned char>(channels), static_cast<unsigned char>(channels >> 8),
                                         static_cast<unsigned char>(channels >> 16),
                                         static_cast<unsigned char>(channels >> 24)};
  hash = fnvFeed(hash, channelBytes, 4);
  return hash == 0 ? 1 : hash;
}

OutputHashes ComputeOutputHashes(const std::string& path) {
  OutputHashes hashes;
  if (std::optional<FileFingerprint> fp = ComputeFileFingerprint(path)) {
    hashes.outputHash = fp->contentHash;
    hashes.outputSize = fp->fileSize;
  }
  hashes.pcmHash = ComputePcmHash(path);
  return hashes;
}

}  // namespace vn
