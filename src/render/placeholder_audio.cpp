#include "render/placeholder_audio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "builder/placeholder.h"

namespace vn {

std::vector<float> synthesisePlaceholder(const Layer& layer, int sampleRate, size_t frames) {
  const PlaceholderVoice voice = placeholderVoice(layer);
  std::vector<float> out(frames, 0.0f);
  if (frames == 0 || sampleRate <= 0) return out;
  const double rate = sampleRate;

  // Constant-peak band-pass around the voice's centre.
  const double w = 2.0 * std::numbers::pi * std::clamp<double>(voice.centreHz, 20.0, 0.45 * rate) / rate;
  const double bw = std::max(0.05, static_cast<double>(voice.bandwidthOctaves));
  const double alpha = std::sin(w) * std::sinh(std::log(2.0) / 2.0 * bw * w / std::sin(w));
  const double a0 = 1.0 + alpha;
  const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2.0 * std::cos(w) / a0, a2 = (1.0 - alpha) / a0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  uint32_t state = layer.id * 2654435761u + 1u;  // the same sketch on every render
  float peak = 0.0f;
  for (float& s : out) {
    state = state * 1103515245u + 12345u;
    const double x = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    s = static_cast<float>(y);
    peak = std::max(peak, std::fabs(s));
  }

  const double length = static_cast<double>(frames) / rate;
  const float scale = peak > 0.0f ? voice.peakLevel / peak : 0.0f;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    double env = voice.attack > 0.0f ? std::min(1.0, t / voice.attack) : 1.0;
    if (voice.sustained) {
      const double left = length - t;
      if (voice.release > 0.0f && left < voice.release) env *= std::max(0.0, left / voice.release);
    } else {
      env *= std::exp(-std::max(0.0, t - voice.attack) / std::max(1e-3f, voice.decay));
    }
    out[i] *= static_cast<float>(env) * scale;
  }
  return out;
}

}  // namespace vn
