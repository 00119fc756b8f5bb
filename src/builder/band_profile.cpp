#include "builder/band_profile.h"

#include <cmath>

namespace vn {

BandArray targetBandProfile(float weight) {
  static constexpr float kCentres[kBands] = {0.1f, 0.3f, 0.5f, 0.7f, 0.9f};
  const float c = 0.1f + 0.8f * weight;
  BandArray t{};
  float sum = 0.0f;
  for (int i = 0; i < kBands; ++i) {
    const float d = kCentres[i] - c;
    t[i] = 0.97f * std::exp(-16.0f * d * d) + 0.03f;
    sum += t[i];
  }
  for (float& v : t) v /= sum;
  return t;
}

BandArray normalisedShares(const BandArray& shares) {
  float sum = 0.0f;
  for (float v : shares) sum += v;
  BandArray s;
  if (!(sum > 0.01f)) {
    s.fill(0.2f);
    return s;
  }
  for (int i = 0; i < kBands; ++i) s[i] = shares[i] / sum;
  return s;
}

float noisiness(const LibraryRecord& r) {
  const float pitched = r.pitchConfidence > 0.5f ? 0.1f : 0.0f;
  return clampf(0.5f - 0.35f * r.harmonicRatio + 0.3f * r.flatness +
                    0.15f * clampf(r.zeroCrossRate, 0.0f, 1.0f) - pitched,
                0.0f, 1.0f);
}

}  // namespace vn
