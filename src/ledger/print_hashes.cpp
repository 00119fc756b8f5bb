#include "ledger/print_hashes.h"

#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "library/buffered_sound_io.h"
#include "library/file_identity.h"
#include "platform/fnv.h"

namespace vn {

namespace {

// One file being hashed: its samples are read a chunk at a time into `samples`,
// of which [at, end) are still to be fed.
struct PcmStream {
  std::string path;
  SF_INFO info{};
  BufferedSoundFile io;
  SNDFILE* file = nullptr;
  std::vector<int> samples;
  size_t at = 0, end = 0;
  uint64_t hash = kFnvStart;
  uint64_t frames = 0;

  ~PcmStream() {
    if (file) closeBufferedSoundFile(file, io);
  }
};

// Null when the file does not open as sound or holds no frames.
std::unique_ptr<PcmStream> openPcmStream(const std::string& path) {
  auto stream = std::make_unique<PcmStream>();
  stream->path = path;
  stream->file = openBufferedSoundFile(path, SFM_READ, stream->info, stream->io);
  if (!stream->file || stream->info.channels <= 0 || stream->info.frames <= 0) return nullptr;
  const sf_count_t chunkFrames = 65536 / stream->info.channels + 1;
  stream->samples.resize(static_cast<size_t>(chunkFrames) * static_cast<size_t>(stream->info.channels));
  return stream;
}

// False at the end of the file.
bool refill(PcmStream& s) {
  const sf_count_t chunkFrames = static_cast<sf_count_t>(s.samples.size()) / s.info.channels;
  const sf_count_t got = sf_readf_int(s.file, s.samples.data(), chunkFrames);
  if (got <= 0) return false;
  s.at = 0;
  s.end = static_cast<size_t>(got) * static_cast<size_t>(s.info.channels);
  s.frames += static_cast<uint64_t>(got);
  return true;
}

uint64_t finish(const PcmStream& s) {
  if (s.frames == 0) return 0;
  uint64_t hash = fnvFeedU64(s.hash, s.frames);
  const auto channels = static_cast<uint32_t>(s.info.channels);
  const unsigned char channelBytes[4] = {static_cast<unsigned char>(channels), static_cast<unsigned char>(channels >> 8),
                                         static_cast<unsigned char>(channels >> 16),
                                         static_cast<unsigned char>(channels >> 24)};
  hash = fnvFeed(hash, channelBytes, 4);
  return hash == 0 ? 1 : hash;
}

}  // namespace

void ComputePcmHashes(const NextPath& next, const PcmHashDone& done) {
  std::vector<std::unique_ptr<PcmStream>> lanes;
  for (;;) {
    while (lanes.size() < static_cast<size_t>(kFnvMaxLanes)) {
      std::optional<std::string> path = next();
      if (!path) break;
      std::unique_ptr<PcmStream> stream = openPcmStream(*path);
      if (stream) lanes.push_back(std::move(stream));
      else done(*path, 0);
    }
    if (lanes.empty()) return;
    // A stream at its end is finished and leaves its lane to the next file.
    bool finished = false;
    for (size_t k = 0; k < lanes.size();) {
      PcmStream& s = *lanes[k];
      if (s.at == s.end && !refill(s)) {
        const uint64_t hash = finish(s);
        const std::string path = s.path;
        lanes.erase(lanes.begin() + static_cast<std::ptrdiff_t>(k));
        done(path, hash);
        finished = true;
        continue;
      }
      ++k;
    }
    if (finished || lanes.empty()) continue;
    size_t count = lanes[0]->end - lanes[0]->at;
    uint64_t hashes[kFnvMaxLanes];
    const int32_t* from[kFnvMaxLanes];
    for (size_t k = 0; k < lanes.size(); ++k) {
      count = std::min(count, lanes[k]->end - lanes[k]->at);
      hashes[k] = lanes[k]->hash;
      from[k] = lanes[k]->samples.data() + lanes[k]->at;
    }
    fnvFeedSampleLanes(hashes, from, static_cast<int>(lanes.size()), count);
    for (size_t k = 0; k < lanes.size(); ++k) {
      lanes[k]->hash = hashes[k];
      lanes[k]->at += count;
    }
  }
}

uint64_t ComputePcmHash(const std::string& path) {
  bool given = false;
  uint64_t result = 0;
  ComputePcmHashes(
      [&]() -> std::optional<std::string> {
        if (given) return std::nullopt;
        given = true;
        return path;
      },
      [&](const std::string&, uint64_t hash) { result = hash; });
  return result;
}

OutputHashes ComputeOutputHashes(const std::string& path) {
  OutputHashes hashes = ComputeFileFingerprints(path);
  hashes.pcmHash = ComputePcmHash(path);
  return hashes;
}

OutputHashes ComputeFileFingerprints(const std::string& path) {
  OutputHashes hashes;
  if (std::optional<FileFingerprint> fp = ComputeFileFingerprint(path)) {
    hashes.outputHash = fp->contentHash;
    hashes.outputSize = fp->fileSize;
  }
  return hashes;
}

}  // namespace vn
