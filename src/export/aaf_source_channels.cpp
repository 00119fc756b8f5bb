#include "export/aaf_source_channels.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "render/source_audio.h"

namespace vn {

std::optional<SourceChannelsRegion> readSourceChannels(const std::string& path, double offset, double duration,
                                               int sampleRate) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  const int channels = std::max(1, info.channels);
  const sf_count_t first = std::clamp<sf_count_t>(std::llround(std::max(0.0, offset) * info.samplerate), 0, info.frames);
  const sf_count_t want = duration < 0 ? info.frames - first : std::llround(duration * info.samplerate);
  const sf_count_t frames = std::clamp<sf_count_t>(want, 0, info.frames - first);
  std::vector<float> interleaved(static_cast<size_t>(frames) * channels);
  sf_count_t got = 0;
  if (sf_seek(file, first, SEEK_SET) >= 0) got = sf_readf_float(file, interleaved.data(), frames);
  sf_close(file);
  SourceChannelsRegion region;
  region.startSeconds = static_cast<double>(first) / info.samplerate;
  region.channels.assign(channels, std::vector<float>(static_cast<size_t>(std::max<sf_count_t>(got, 0))));
  for (sf_count_t f = 0; f < got; ++f)
    for (int c = 0; c < channels; ++c) region.channels[c][f] = interleaved[f * channels + c];
  if (info.samplerate != sampleRate)
    for (auto& ch : region.channels) ch = resampleChannel(ch, info.samplerate, sampleRate);
  return region;
}

}  // namespace vn
