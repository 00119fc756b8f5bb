#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "builder/layering.h"
#include "builder/layering_support.h"

namespace vn {

void carveSpectrum(Session& session) {
  for (auto& l : session.results) l.eqGains.reset();
  const float T = timelineEnd(session, false);
  if (!(T > 0.0f)) return;

  // Layers in start order, so that the partners of a layer that overlap it are
  // found without comparing every pair.
  std::vector<size_t> order;
  for (size_t i = 0; i < session.results.size(); ++i)
    if (takesPart(session.results[i])) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return session.results[a].startTime < session.results[b].startTime; });
  std::vector<BandArray> energy(session.results.size());
  for (size_t i : order) energy[i] = layerBandEnergy(session.results[i]);

  for (size_t i : order) {
    Layer& l = session.results[i];
    const float s = l.startTime, d = l.duration, e = s + d, g = passGain(l);
    float total = 0.0f;
    BandArray E{};
    for (size_t m : order) {
      const Layer& other = session.results[m];
      if (other.startTime >= e) break;
      if (m == i) continue;
      const float overlap = std::min(e, other.startTime + other.duration) - std::max(s, other.startTime);
      if (!(overlap > 0.0f)) continue;
      const float frac = overlap / std::max(0.01f, d);
      total += frac;
      for (int k = 0; k < kBands; ++k) E[k] += passGain(other) * frac * energy[m][k];
    }
    if (total < 0.5f) continue;
    std::array<float, 5> gains;
    gains.fill(1.0f);
    bool carved = false;
    for (int k = 0; k < kBands; ++k) {
      const float own = energy[i][k] * g;
      if (energy[i][k] <= 0.05f || E[k] <= 1.5f * own) continue;
      const float x = std::min(1.0f, (E[k] / std::max(0.01f, own) - 1.5f) / 3.0f);
      gains[k] = std::pow(10.0f, -6.0f * x / 20.0f);
      carved = true;
    }
    if (carved) l.eqGains = gains;
  }
}

}  // namespace vn
