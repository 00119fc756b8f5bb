#include "render/diffuse_bed.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {

namespace {

// Mutually prime lengths at 48 kHz (2.3 .. 11 ms); each speaker takes its own
// rotation and offset of them so that no two chains share a delay.
constexpr std::array<int, 8> kBaseLengths{113, 173, 241, 307, 379, 431, 487, 523};
constexpr std::array<float, kDiffuseStages> kGains{0.62f, -0.58f, 0.55f, -0.5f};

inline float runAllPass(AllPassStage& s, float x) {
  const float delayed = s.buffer[s.pos];
  const float y = delayed - s.k * x;
  s.buffer[s.pos] = x + s.k * y;
  if (++s.pos >= s.length) s.pos = 0;
  return y;
}

}  // namespace

void initialiseDiffuseBed(DiffuseBed& bed, SpatialLayout layout, int sampleRate) {
  bed.layout = layout;
  const double scale = std::max(1, sampleRate) / 48000.0;
  for (int ch = 0; ch < kMaxLayoutChannels; ++ch) {
    for (int j = 0; j < kDiffuseStages; ++j) {
      AllPassStage& s = bed.chains[ch][j];
      const int base = kBaseLengths[(ch * 3 + j * 2) % kBaseLengths.size()] + 7 * ch + 2 * j;
      s.length = std::clamp(static_cast<int>(base * scale), 1, kDiffuseDelayLength);
      s.k = kGains[j];
    }
  }
  clearDiffuseBed(bed);
}

void clearDiffuseBed(DiffuseBed& bed) {
  for (auto& chain : bed.chains) {
    for (auto& s : chain) {
      s.buffer.fill(0.0f);
      s.pos = 0;
    }
  }
}

void addDiffuseBed(DiffuseBed& bed, const float* diffuseLeft, const float* diffuseRight, int frames,
                   float amount, float* out) {
  const auto roles = layoutRoles(bed.layout);
  const int channels = static_cast<int>(roles.size());
  int speakers = 0;
  for (int role : roles) speakers += role != kRoleLfe;
  if (speakers == 0 || amount <= 0.0f) return;
  const float gain = std::sqrt(1.0f / static_cast<float>(speakers)) * amount;
  for (int ch = 0; ch < channels; ++ch) {
    if (roles[ch] == kRoleLfe) continue;
    const float az = speakerRole(roles[ch]).azimuthDeg * std::numbers::pi_v<float> / 180.0f;
    const float u = 0.5f + 0.5f * std::sin(az);
    auto& chain = bed.chains[ch];
    for (int f = 0; f < frames; ++f) {
      float x = (1.0f - u) * diffuseLeft[f] + u * diffuseRight[f];
      for (auto& stage : chain) x = runAllPass(stage, x);
      out[static_cast<long>(f) * channels + ch] += gain * x;
    }
  }
}

}  // namespace vn
