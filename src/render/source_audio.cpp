#include "render/source_audio.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "render/channel_convert.h"

namespace vn {

namespace {

constexpr size_t kReadChunkFrames = 16384;
constexpr float kFoldLevel = 0.70710678f;

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

// Folds one interleaved frame onto the pair. Channel order is the usual
// L R C LFE Ls Rs (Lrs Rrs); the LFE is left out of the fold.
void foldFrame(const float* frame, int channels, float& left, float& right) {
  if (channels == 1) {
    left = right = frame[0];
    return;
  }
  left = frame[0];
  right = frame[1];
  if (channels >= 3) {
    left += kFoldLevel * frame[2];
    right += kFoldLevel * frame[2];
  }
  for (int c = 4; c + 1 < channels; c += 2) {
    left += kFoldLevel * frame[c];
    right += kFoldLevel * frame[c + 1];
  }
}

}  // namespace

std::optional<StereoAudio> readSourceRegion(const std::string& path, double offset, double duration, int fmt) {
  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file || info.channels < 1 || info.samplerate < 1 || info.frames < 0) return std::nullopt;
  const sf_count_t first = std::clamp<sf_count_t>(std::llround(std::max(0.0, offset) * info.samplerate), 0,
                                                  info.frames);
  sf_count_t count = info.frames - first;
  if (duration > 0.0) count = std::min<sf_count_t>(count, std::llround(duration * info.samplerate));
  if (first > 0 && sf_seek(file.get(), first, SEEK_SET) < 0) return std::nullopt;

  StereoAudio out;
  out.sampleRate = info.samplerate;
  out.left.reserve(static_cast<size_t>(count));
  out.right.reserve(static_cast<size_t>(count));
  std::vector<float> chunk(kReadChunkFrames * static_cast<size_t>(info.channels));
  for (sf_count_t done = 0; done < count;) {
    const sf_count_t want = std::min<sf_count_t>(kReadChunkFrames, count - done);
    const sf_count_t got = sf_readf_float(file.get(), chunk.data(), want);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      float l, r;
      foldFrame(chunk.data() + f * info.channels, info.channels, l, r);
      if (fmt == 0) l = r = info.channels == 1 ? l : monoOfPair(l, r);
      out.left.push_back(std::isfinite(l) ? l : 0.0f);
      out.right.push_back(std::isfinite(r) ? r : 0.0f);
    }
    done += got;
  }
  return out;
}

std::vector<float> resampleChannel(const std::vector<float>& in, double inRate, double outRate) {
  if (in.empty() || inRate <= 0.0 || outRate <= 0.0 || inRate == outRate) return in;
  const size_t outLen = static_cast<size_t>(std::llround(static_cast<double>(in.size()) * outRate / inRate));
  std::vector<float> out(std::max<size_t>(outLen, 1));
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  size_t done = 0;
  const soxr_error_t error = soxr_oneshot(inRate, outRate, 1, in.data(), in.size(), nullptr, out.data(),
                                          out.size(), &done, &io, &quality, nullptr);
  if (error) return {};
  out.resize(done);
  return out;
}

StereoAudio resampleStereo(const StereoAudio& in, double inRate, int outRate) {
  StereoAudio out;
  out.sampleRate = outRate;
  out.left = resampleChannel(in.left, inRate, outRate);
  // A mono format has equal sides: convert once.
  out.right = in.left == in.right ? out.left : resampleChannel(in.right, inRate, outRate);
  const size_t n = std::min(out.left.size(), out.right.size());
  out.left.resize(n);
  out.right.resize(n);
  return out;
}

size_t SourceCache::KeyHash::operator()(const Key& k) const {
  size_t h = std::hash<std::string>()(k.path);
  for (size_t v : {std::hash<float>()(k.offset), std::hash<float>()(k.duration), size_t(k.rate), size_t(k.fmt)})
    h = h * 1099511628211ULL ^ v;
  return h;
}

std::shared_ptr<const StereoAudio> decodeSource(SourceCache& cache, const std::string& path, float offset,
                                                float duration, int rate, int fmt) {
  const SourceCache::Key key{path, offset, duration, rate, fmt};
  {
    std::lock_guard lock(cache.mutex);
    auto it = cache.index.find(key);
    if (it != cache.index.end()) {
      cache.recent.splice(cache.recent.begin(), cache.recent, it->second);
      ++cache.hits;
      return it->second->second;
    }
    ++cache.misses;
  }
  auto region = readSourceRegion(path, offset, duration, fmt);
  if (!region) return nullptr;
  auto audio = std::make_shared<StereoAudio>(region->sampleRate == rate
                                                 ? std::move(*region)
                                                 : resampleStereo(*region, region->sampleRate, rate));
  audio->sampleRate = rate;
  const size_t size = audio->frames() * 2 * sizeof(float);
  std::lock_guard lock(cache.mutex);
  if (cache.index.count(key)) return audio;  // another reader got there first
  cache.recent.emplace_front(key, audio);
  cache.index[key] = cache.recent.begin();
  cache.bytes += size;
  while (cache.bytes > cache.budgetBytes && cache.recent.size() > 1) {
    auto& last = cache.recent.back();
    cache.bytes -= last.second->frames() * 2 * sizeof(float);
    cache.index.erase(last.first);
    cache.recent.pop_back();
  }
  return audio;
}

void forgetSource(SourceCache& cache, const std::string& path) {
  std::lock_guard lock(cache.mutex);
  for (auto it = cache.recent.begin(); it != cache.recent.end();) {
    if (it->first.path != path) {
      ++it;
      continue;
    }
    cache.bytes -= it->second->frames() * 2 * sizeof(float);
    cache.index.erase(it->first);
    it = cache.recent.erase(it);
  }
}

}  // namespace vn
