#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "builder/layering.h"
#include "builder/layering_support.h"

namespace vn {
namespace {

constexpr float kGroupWindow = 0.015f;
constexpr float kCrowdBin = 0.05f;

// Layers of one event that start together smear into one blurred attack; a few
// milliseconds apart, loudest first, each keeps its own transient.
void staggerOnsets(Session& session) {
  // Groups per event: indices of layers, the first one's start is the group's.
  std::map<int, std::vector<std::vector<size_t>>> groupsByEvent;
  for (size_t i = 0; i < session.results.size(); ++i) {
    const Layer& l = session.results[i];
    if (!takesPart(l)) continue;
    auto& groups = groupsByEvent[l.eventIdx];
    auto it = std::find_if(groups.begin(), groups.end(), [&](const std::vector<size_t>& g) {
      return std::fabs(l.startTime - session.results[g.front()].startTime) <= kGroupWindow;
    });
    if (it == groups.end()) {
      groups.push_back({i});
    } else {
      it->push_back(i);
    }
  }
  for (auto& [event, groups] : groupsByEvent) {
    for (auto& group : groups) {
      if (group.size() < 2) continue;
      // Equal gains keep their order in the layer list.
      std::stable_sort(group.begin(), group.end(), [&](size_t a, size_t b) {
        return passGain(session.results[a]) > passGain(session.results[b]);
      });
      const float g0 = passGain(session.results[group.front()]);
      const float n = static_cast<float>(group.size());
      for (size_t k = 1; k < group.size(); ++k) {
        Layer& l = session.results[group[k]];
        const float ratio = g0 > 0.001f ? passGain(l) / g0 : 1.0f;
        float offset = static_cast<float>(k) / n * 0.01f + 0.005f + (1.0f - ratio) * 0.015f;
        if (k % 2 == 0) offset = -0.6f * offset;
        l.deconOffset = offset;
      }
    }
  }
}

struct CrowdBin {
  int active = 0;
  BandArray sum{};
  BandArray top{};
  std::array<int, kBands> topLayer{-1, -1, -1, -1, -1};
};

// Each 50 ms bin knows, per band, the summed energy of its layers and its
// strongest contributor; a hero layer holds the top against any other.
std::vector<CrowdBin> fillCrowdBins(const Session& session, const std::vector<BandArray>& energy, int N) {
  std::vector<CrowdBin> bins(N);
  for (size_t i = 0; i < session.results.size(); ++i) {
    const Layer& l = session.results[i];
    if (!takesPart(l)) continue;
    const bool hero = isHeroLayer(session, l);
    const float g = passGain(l);
    const float s = l.startTime + l.deconOffset;
    const int first = std::max(truncBin(s / kCrowdBin), 0);
    const int last = std::min(truncBin((s + l.duration) / kCrowdBin), N - 1);
    for (int b = first; b <= last; ++b) {
      CrowdBin& bin = bins[b];
      ++bin.active;
      for (int k = 0; k < kBands; ++k) {
        const float c = g * energy[i][k];
        bin.sum[k] += c;
        const int top = bin.topLayer[k];
        const bool topIsHero = top >= 0 && isHeroLayer(session, session.results[top]);
        const bool takes = hero ? (top < 0 || c > bin.top[k]) : (c > bin.top[k] && !topIsHero);
        if (takes) {
          bin.top[k] = c;
          bin.topLayer[k] = static_cast<int>(i);
        }
      }
    }
  }
  return bins;
}

void duckCrowdedBands(Session& session, float T) {
  static constexpr float kBandWeights[kBands] = {1.4f, 0.7f, 0.5f, 1.0f, 1.4f};
  const int N = 1 + truncBin(T / kCrowdBin);
  std::vector<BandArray> energy(session.results.size());
  for (size_t i = 0; i < session.results.size(); ++i) energy[i] = layerBandEnergy(session.results[i]);
  const std::vector<CrowdBin> bins = fillCrowdBins(session, energy, N);

  for (size_t i = 0; i < session.results.size(); ++i) {
    Layer& l = session.results[i];
    if (!takesPart(l)) continue;
    if (isHeroLayer(session, l)) {
      l.deconGain.reset();
      continue;
    }
    const float s = l.startTime + l.deconOffset;
    Envelope points{};
    bool ducked = false;
    for (int j = 0; j < kEnvelopePoints; ++j) {
      const int b = std::clamp(truncBin(envelopePointTime(s, l.duration, j) / kCrowdBin), 0, N - 1);
      const CrowdBin& bin = bins[b];
      points[j] = 1.0f;
      if (bin.active <= 1) continue;
      float reduction = 0.0f;
      for (int k = 0; k < kBands; ++k) {
        if (energy[i][k] < 0.05f || bin.topLayer[k] == static_cast<int>(i) || bin.sum[k] < 0.01f) continue;
        // Only a band that holds half as much again as its strongest layer counts as crowded.
        const float ratio = bin.sum[k] / std::max(0.01f, bin.top[k]);
        reduction += std::clamp((ratio - 1.5f) * 0.5f, 0.0f, 1.0f) * 6.0f * energy[i][k] * kBandWeights[k];
      }
      points[j] = std::pow(10.0f, -std::min(9.0f, reduction) / 20.0f);
      if (points[j] < 0.99f) ducked = true;
    }
    if (ducked) {
      Envelope smoothed = smoothEnvelope(points, 1);
      if (l.densityGain)
        for (int j = 0; j < kEnvelopePoints; ++j) smoothed[j] *= (*l.densityGain)[j];
      l.deconGain = smoothed;
    } else if (l.densityGain) {
      l.deconGain = *l.densityGain;
    } else {
      l.deconGain.reset();
    }
  }
}

}  // namespace

void staggerAndDeconflict(Session& session) {
  for (auto& l : session.results)
    if (!l.muted) l.deconOffset = 0.0f;
  const float T = timelineEnd(session, true);
  if (!(T > 0.0f)) return;
  staggerOnsets(session);
  duckCrowdedBands(session, T);
}

}  // namespace vn
