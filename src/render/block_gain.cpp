#include "render/block_gain.h"

#include <algorithm>

namespace vn {

void blockGains(const RenderedBlock& b, const FadeLengths& fades, float level, int64_t firstSample, int frames,
                float rate, float* out) {
  const bool shaped = b.weightTable || b.intensityTable || b.contourTable;
  const float duration = std::max(b.duration, 1e-6f);
  for (int f = 0; f < frames; ++f) {
    const float t = static_cast<float>(firstSample + f) / rate;
    float g = level;
    if (t < fades.in || duration - t < fades.out) g *= fadeGain(fades, duration, t);
    if (shaped) {
      const float x = t / duration;
      g *= sampleTable(b.weightTable, x) * sampleTable(b.intensityTable, x) * sampleTable(b.contourTable, x);
    }
    out[f] = g;
  }
}

}  // namespace vn
