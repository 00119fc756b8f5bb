#pragma once
// The fade curves and envelope tables used wherever a Rendered block is mixed:
// playback, the reverb send and export.
#include <algorithm>
#include <array>
#include <optional>

namespace vn {

struct FadeLengths {
  float in = 0.04f;
  float out = 0.05f;
};

// The fades actually played for a block of this duration: defaults for absent
// (non-positive) fades, each 0.015 s .. 0.45 x duration, together at most 0.9 x duration.
FadeLengths effectiveFades(float fadeIn, float fadeOut, float duration);

// Gain of the fades at t seconds after the block's start.
float fadeGain(const FadeLengths& fades, float duration, float t);

// Linear interpolation into an N-point table spread over 0..1.
template <size_t N>
float sampleTable(const std::array<float, N>& table, float x) {
  const float pos = std::clamp(x, 0.0f, 1.0f) * static_cast<float>(N - 1);
  const int k = std::clamp(static_cast<int>(pos), 0, static_cast<int>(N) - 2);
  const float f = pos - static_cast<float>(k);
  return table[k] + f * (table[k + 1] - table[k]);
}

template <size_t N>
float sampleTable(const std::optional<std::array<float, N>>& table, float x) {
  return table ? sampleTable(*table, x) : 1.0f;
}

}  // namespace vn
