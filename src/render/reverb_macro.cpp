#include "render/reverb_macro.h"

#include <algorithm>
#include <cmath>

namespace vn {

namespace {

constexpr std::array<ReverbPreset, 5> kPresets{{
    {"Booth", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.4f, 0.0f},
    {"Room", 0.25f, 0.4f, 0.1f, 0.4f, 0.010f, 0.7f, 0.25f},
    {"Warehouse", 0.5f, 0.6f, 0.35f, 0.2f, 0.015f, 0.7f, 0.3f},
    {"Cathedral", 0.75f, 0.75f, 0.65f, 0.45f, 0.026f, 0.8f, 0.5f},
    {"Sky", 1.0f, 1.0f, 1.0f, 0.08f, 0.06f, 0.9f, 0.8f},
}};

float lerp(float a, float b, float f) { return a + (b - a) * f; }

}  // namespace

const std::array<ReverbPreset, 5>& reverbPresets() { return kPresets; }

void applyReverbMacro(ReverbSettings& settings, float q) {
  const float x = 4.0f * (std::isfinite(q) ? std::clamp(q, 0.0f, 1.0f) : 0.0f);
  const int k = std::min(3, static_cast<int>(std::floor(x)));
  const float f = x - static_cast<float>(k);
  const ReverbPreset& a = kPresets[k];
  const ReverbPreset& b = kPresets[k + 1];
  settings.size = lerp(a.size, b.size, f);
  settings.decay = lerp(a.decay, b.decay, f);
  settings.damping = lerp(a.damping, b.damping, f);
  settings.preDelay = lerp(a.preDelay, b.preDelay, f);
  settings.diffusion = lerp(a.diffusion, b.diffusion, f);
  settings.modulation = lerp(a.modulation, b.modulation, f);
}

float dragReverbMacro(float q, float pixels, float width) {
  if (width <= 0.0f) return q;
  return std::clamp(q + pixels / (2.0f * width), 0.0f, 1.0f);
}

float reverbSendLevel(float blockSend, int bus, const std::array<float, kMaxBusses>& busSend) {
  const float level = 0.5f * (blockSend >= 0.0f ? blockSend : busSend[std::clamp(bus, 0, kMaxBusses - 1)]);
  return level < 1e-6f ? 0.0f : level;
}

}  // namespace vn
