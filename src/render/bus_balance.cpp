#include "render/bus_balance.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "render/gain_staging.h"
#include "render/loudness.h"

namespace vn {

float busBalanceGain(float loudnessLufs, float samplePeak, float targetLufs) {
  if (loudnessLufs <= -90.0f) return 1.0f;
  const float change = std::clamp(targetLufs - loudnessLufs, -30.0f, 18.0f);
  float gain = std::pow(10.0f, change / 20.0f);
  if (samplePeak > 0.0f) gain = std::min(gain, 0.891f / samplePeak);
  return gain;
}

void balanceBusses(RenderCache& cache, Session& session) {
  std::unordered_map<uint32_t, Layer*> byId;
  for (Layer& l : session.results) byId[l.id] = &l;
  const bool on = session.settings.normalizeLUFS;

  // Measure outside the lock: the audio callback keeps playing meanwhile.
  std::vector<std::pair<float, float>> measured(cache.blocks.size(), {kNotMeasuredLufs, 0.0f});
  if (on) {
    for (size_t i = 0; i < cache.blocks.size(); ++i) {
      const RenderedBlock& b = cache.blocks[i];
      if (b.loudness > -900.0f || b.left.empty()) continue;
      // The peak summary already holds the largest sample of both sides. A block
      // with equal sides (a mono layer) is measured once at twice the weight,
      // which gives the same figure as measuring both.
      const float peak = *std::max_element(b.peaks.begin(), b.peaks.end());
      const long frames = static_cast<long>(std::min(b.left.size(), b.right.size()));
      const bool equalSides = b.left == b.right;
      const float* sides[2] = {b.left.data(), b.right.data()};
      const float weights[2] = {equalSides ? 2.0f : 1.0f, equalSides ? 0.0f : 1.0f};
      measured[i] = {integratedLoudness(sides, weights, frames, cache.sampleRate), peak};
    }
  }
  {
    std::lock_guard lock(cache.mutex);
    for (size_t i = 0; i < cache.blocks.size(); ++i) {
      RenderedBlock& b = cache.blocks[i];
      Layer* layer = byId.count(b.layerId) ? byId[b.layerId] : nullptr;
      if (layer) {
        b.bus = layer->group;
        b.track = layer->track;
      }
      if (i < measured.size() && measured[i].first > -900.0f) {
        b.loudness = measured[i].first;
        b.samplePeak = measured[i].second;
      }
      float gain = 1.0f;
      if (on && !b.left.empty()) {
        const int bus = std::clamp(b.bus, 0, kMaxBusses - 1);
        gain = busBalanceGain(b.loudness, b.samplePeak, session.trackLayout.busses[bus].targetLUFS);
      }
      b.normGain = gain;
      if (layer) layer->normGain = gain;
    }
  }
  finaliseCache(cache, true, session.groupGain, session.masterGain);
}

}  // namespace vn
