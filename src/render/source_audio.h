#pragma once
// Reading a region of a sound file as a stereo pair in a Layer's channel
// format, converting its rate, and the decoded-source cache that keeps regions
// that several layers (or several renders) read.
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vn {

struct StereoAudio {
  std::vector<float> left, right;
  int sampleRate = 0;
  size_t frames() const { return left.size(); }
};

// Reads offset .. offset + duration seconds (duration <= 0: to the end) at the
// file's own rate. A mono format (fmt 0) gives equal sides; wider sources fold
// their centre and surrounds into the pair. nullopt when the file cannot be read.
std::optional<StereoAudio> readSourceRegion(const std::string& path, double offset, double duration, int fmt);

// Band-limited rate conversion. Converting from inRate x ratio to outRate plays
// the audio `ratio` times faster: a pitch shift by rate change.
std::vector<float> resampleChannel(const std::vector<float>& in, double inRate, double outRate);
StereoAudio resampleStereo(const StereoAudio& in, double inRate, int outRate);

struct SourceCache {
  struct Key {
    std::string path;
    float offset = 0.0f;
    float duration = 0.0f;
    int rate = 0;
    int fmt = 0;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const;
  };
  using Entry = std::pair<Key, std::shared_ptr<const StereoAudio>>;

  std::mutex mutex;
  std::list<Entry> recent;  // most recently used first
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index;
  size_t bytes = 0;
  size_t budgetBytes = size_t(512) << 20;
  uint64_t hits = 0, misses = 0;
};

// The region at `rate` in format fmt, decoded once and kept while the cache's
// budget allows. Null when the file cannot be read.
std::shared_ptr<const StereoAudio> decodeSource(SourceCache& cache, const std::string& path, float offset,
                                                float duration, int rate, int fmt);
// Drops every cached region of path (the file was replaced).
void forgetSource(SourceCache& cache, const std::string& path);

}  // namespace vn
