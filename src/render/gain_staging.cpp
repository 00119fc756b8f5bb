#include "render/gain_staging.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace vn {

namespace {

constexpr double kScanStep = 0.02;

void sharePowerPerEvent(std::vector<RenderedBlock>& blocks) {
  std::unordered_map<int, double> power;
  for (const auto& b : blocks) {
    if (!b.muted) power[b.eventIdx] += static_cast<double>(b.mixGain) * b.mixGain;
  }
  for (auto& b : blocks) {
    if (b.muted) continue;
    const double sum = power[b.eventIdx];
    if (sum > 1.0) b.mixGain = static_cast<float>(b.mixGain / std::sqrt(sum));
  }
}

// The largest sum of active block levels over the scan instants t0 + k x 0.02.
// Each block adds its level to the instants it covers (start <= t < end) through
// a difference array, so the scan costs blocks plus steps.
double loudestInstant(const std::vector<RenderedBlock>& blocks, const std::array<float, kMaxBusses>& busGains) {
  double first = 0.0, last = 0.0;
  bool any = false;
  for (const auto& b : blocks) {
    if (b.muted) continue;
    first = any ? std::min(first, static_cast<double>(b.start)) : b.start;
    last = any ? std::max(last, static_cast<double>(blockEnd(b))) : blockEnd(b);
    any = true;
  }
  if (!any) return 0.0;
  const size_t steps = static_cast<size_t>(std::floor((last - first) / kScanStep)) + 1;
  std::vector<double> delta(steps + 1, 0.0);
  for (const auto& b : blocks) {
    if (b.muted) continue;
    const float peak = std::max(0.001f, *std::max_element(b.peaks.begin(), b.peaks.end()));
    const double level = static_cast<double>(b.mixGain) * b.normGain * b.eventGain *
                         busGains[std::clamp(b.bus, 0, kMaxBusses - 1)] * peak;
    auto firstStepAtOrAfter = [&](double t) {
      size_t k = static_cast<size_t>(std::max(0.0, std::ceil((t - first) / kScanStep - 1e-9)));
      while (k > 0 && first + (k - 1) * kScanStep >= t) --k;
      while (k < steps && first + k * kScanStep < t) ++k;
      return std::min(k, steps);
    };
    const size_t from = firstStepAtOrAfter(b.start), to = firstStepAtOrAfter(blockEnd(b));
    if (from >= to) continue;
    delta[from] += level;
    delta[to] -= level;
  }
  double running = 0.0, loudest = 0.0;
  for (size_t k = 0; k < steps; ++k) {
    running += delta[k];
    loudest = std::max(loudest, running);
  }
  return loudest;
}

}  // namespace

void finaliseCache(RenderCache& cache, bool resetGains, const std::array<float, kMaxBusses>& busGains,
                   float masterGain) {
  {
    std::lock_guard lock(cache.mutex);
    if (resetGains) {
      for (auto& b : cache.blocks) b.mixGain = b.baseGain;
    }
    sharePowerPerEvent(cache.blocks);
    const double loudest = loudestInstant(cache.blocks, busGains);
    const double ceiling = 0.7 / std::max(0.1, static_cast<double>(masterGain));
    if (loudest > ceiling) {
      const float k = static_cast<float>(ceiling / loudest);
      for (auto& b : cache.blocks) b.mixGain *= k;
    }
  }
  cache.generation.fetch_add(1);
  cache.ready.store(true);
}

}  // namespace vn
