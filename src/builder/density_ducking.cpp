#include <algorithm>
#include <cmath>
#include <vector>

#include "builder/layering.h"
#include "builder/layering_support.h"

namespace vn {

void duckDensity(Session& session) {
  for (auto& l : session.results) l.densityGain.reset();
  const float T = timelineEnd(session, false);
  if (!(T > 0.0f) || session.events.empty()) return;

  // Quarter-second bins: how many layers sound, and their summed gain.
  const int N = 1 + truncBin(4.0f * T);
  std::vector<int> count(N, 0);
  std::vector<float> gainSum(N, 0.0f);
  for (const auto& l : session.results) {
    if (!takesPart(l)) continue;
    const int first = std::max(truncBin(4.0f * l.startTime), 0);
    const int last = std::min(truncBin(4.0f * (l.startTime + l.duration)), N - 1);
    for (int b = first; b <= last; ++b) {
      ++count[b];
      gainSum[b] += passGain(l);
    }
  }
  // Density is smoothed over about two seconds so that a brief pile-up does not pump.
  std::vector<float> density(N, 0.0f);
  for (int i = 0; i < N; ++i) {
    const int lo = std::max(i - 4, 0), hi = std::min(i + 4, N - 1);
    float sum = 0.0f;
    for (int b = lo; b <= hi; ++b) sum += static_cast<float>(count[b]);
    density[i] = sum / static_cast<float>(hi - lo + 1);
  }

  for (auto& l : session.results) {
    if (!takesPart(l) || isHeroLayer(session, l)) continue;
    const float g = passGain(l);
    Envelope points{};
    bool ducked = false;
    for (int j = 0; j < kEnvelopePoints; ++j) {
      const int b = std::clamp(truncBin(4.0f * envelopePointTime(l.startTime, l.duration, j)), 0, N - 1);
      points[j] = 1.0f;
      if (density[b] <= 4.0f) continue;
      const float excess = std::clamp((density[b] - 4.0f) * 0.25f, 0.0f, 1.0f);
      const float mean = count[b] > 0 ? gainSum[b] / static_cast<float>(count[b]) : 0.0f;
      const float rel = mean > 0.001f ? g / mean : 1.0f;
      // Layers louder than their neighbours give up less.
      const float k = std::clamp(1.3f - rel, 0.3f, 1.0f);
      points[j] = std::pow(10.0f, -4.0f * excess * k / 20.0f);
      if (points[j] < 0.99f) ducked = true;
    }
    if (!ducked) continue;
    const Envelope smoothed = smoothEnvelope(points, 2);
    if (l.densityGain) {
      for (int j = 0; j < kEnvelopePoints; ++j) (*l.densityGain)[j] *= smoothed[j];
    } else {
      l.densityGain = smoothed;
    }
  }
}

}  // namespace vn
