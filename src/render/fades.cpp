#include "render/fades.h"

namespace vn {

FadeLengths effectiveFades(float fadeIn, float fadeOut, float duration) {
  FadeLengths f;
  f.in = fadeIn > 0.0f ? fadeIn : 0.04f;
  f.out = fadeOut > 0.0f ? fadeOut : 0.05f;
  const float longest = 0.45f * std::max(0.0f, duration);
  f.in = std::min(std::max(f.in, 0.015f), longest);
  f.out = std::min(std::max(f.out, 0.015f), longest);
  const float room = 0.9f * duration;
  if (f.in + f.out > room && f.in + f.out > 0.0f) {
    const float k = room / (f.in + f.out);
    f.in *= k;
    f.out *= k;
  }
  return f;
}

float fadeGain(const FadeLengths& fades, float duration, float t) {
  float g = 1.0f;
  if (t < fades.in && fades.in > 0.0f) {
    const float u = std::clamp(t / fades.in, 0.0f, 1.0f);
    const float w = (1.0f - u) * u;
    const float s = (w * 1.4196f + 1.0f) * w + u;
    g = s * s;
  }
  const float left = duration - t;
  if (left < fades.out && fades.out > 0.0f) {
    const float v = std::clamp(left / fades.out, 0.0f, 1.0f);
    const float v2 = v * v;
    g *= v2 * v2;
  }
  return g;
}

}  // namespace vn
