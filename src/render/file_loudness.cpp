#include "render/file_loudness.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "render/loudness.h"
#include "render/spatial_layout.h"

namespace vn {

namespace {

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

// Channel weights from the file's channel map: side surrounds 1.41, the LFE left
// out. Without a map, 5.1, 7.1 and 7.1.4 files are read in the program's channel
// order; any other count weighs every channel 1.
std::vector<float> channelWeights(SNDFILE* file, int channels) {
  std::vector<float> w(channels, 1.0f);
  std::vector<int> map(channels, 0);
  if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int)))) {
    for (int c = 0; c < channels; ++c) {
      if (map[c] == SF_CHANNEL_MAP_LFE) w[c] = 0.0f;
      if (map[c] == SF_CHANNEL_MAP_SIDE_LEFT || map[c] == SF_CHANNEL_MAP_SIDE_RIGHT) w[c] = 1.41f;
    }
  } else if (channels == 6 || channels == 8 || channels == 12) {
    for (int c = 0; c < channels; ++c) w[c] = loudnessWeightOfRole(c);
  }
  return w;
}

}  // namespace

std::optional<FileLoudness> measureFileLoudness(const std::string& path, std::string& error) {
  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) {
    error = sf_strerror(nullptr);
    return std::nullopt;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    error = "the file declares no audio";
    return std::nullopt;
  }
  std::vector<std::vector<float>> planar(info.channels);
  std::vector<float> chunk(16384 * static_cast<size_t>(info.channels));
  FileLoudness result;
  for (;;) {
    const sf_count_t got = sf_readf_float(file.get(), chunk.data(), 16384);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      for (int c = 0; c < info.channels; ++c) {
        const float v = chunk[f * info.channels + c];
        planar[c].push_back(v);
        if (std::isfinite(v)) result.samplePeak = std::max(result.samplePeak, std::fabs(v));
      }
    }
  }
  const long frames = static_cast<long>(planar[0].size());
  std::vector<const float*> channels;
  for (const auto& ch : planar) channels.push_back(ch.data());
  const std::vector<float> weights = channelWeights(file.get(), info.channels);
  result.lufs = integratedLoudness(channels, weights, frames, info.samplerate);
  result.channels = info.channels;
  result.sampleRate = info.samplerate;
  result.seconds = static_cast<double>(frames) / info.samplerate;
  return result;
}

}  // namespace vn
