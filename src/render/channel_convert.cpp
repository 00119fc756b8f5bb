#include "render/channel_convert.h"

#include <algorithm>

namespace vn {

std::vector<std::vector<float>> convertPairToFormat(const float* left, const float* right, size_t frames, int fmt,
                                                    const Placement& placement, bool stereoSource, float amount) {
  const int channels = channelFormatChannels(fmt);
  std::vector<std::vector<float>> out(static_cast<size_t>(channels), std::vector<float>(frames, 0.0f));
  if (channels == 1) {
    for (size_t f = 0; f < frames; ++f) out[0][f] = monoOfPair(left[f], right[f]);
    return out;
  }
  if (channels == 2) {
    std::copy(left, left + frames, out[0].begin());
    std::copy(right, right + frames, out[1].begin());
    return out;
  }
  // A delivered 5.1 or 7.1 track has no height speakers: the block is placed on the ear-level ring.
  Placement flat = placement;
  flat.elevation = 0.0f;
  const SpatialLayout layout = channels == 6 ? SpatialLayout::Surround51 : SpatialLayout::Surround714;
  const ChannelGains gains = multichannelGains(layout, flat, stereoSource, amount);
  for (int c = 0; c < channels; ++c) {
    const float gl = gains.left[c];
    const float gr = stereoSource ? gains.right[c] : 0.0f;
    float* dst = out[c].data();
    if (stereoSource) {
      for (size_t f = 0; f < frames; ++f) dst[f] = gl * left[f] + gr * right[f];
    } else {
      for (size_t f = 0; f < frames; ++f) dst[f] = gl * monoOfPair(left[f], right[f]);
    }
  }
  return out;
}

}  // namespace vn
