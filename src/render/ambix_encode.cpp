#include "render/ambix_encode.h"

#include <cmath>
#include <numbers>

namespace vn {

std::vector<std::vector<float>> encodeAmbiX(const std::vector<std::vector<float>>& planar, SpatialLayout layout) {
  const size_t frames = planar.empty() ? 0 : planar[0].size();
  std::vector<std::vector<float>> out(kAmbiXChannels, std::vector<float>(frames, 0.0f));
  const auto roles = layoutRoles(layout);
  constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;
  for (size_t c = 0; c < planar.size() && c < roles.size(); ++c) {
    const SpeakerRole& role = speakerRole(roles[c]);
    if (role.ring == SpeakerRing::None) continue;
    const float az = role.azimuthDeg * kDeg;
    const float el = role.ring == SpeakerRing::Height ? kHeightRingElevationDeg * kDeg : 0.0f;
    const float gains[kAmbiXChannels] = {1.0f, std::sin(az) * std::cos(el), std::sin(el), std::cos(az) * std::cos(el)};
    const std::vector<float>& feed = planar[c];
    for (int k = 0; k < kAmbiXChannels; ++k) {
      float* dst = out[k].data();
      const float g = gains[k];
      for (size_t f = 0; f < frames; ++f) dst[f] += g * feed[f];
    }
  }
  return out;
}

}  // namespace vn
