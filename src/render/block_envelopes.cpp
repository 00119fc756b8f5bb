#include "render/block_envelopes.h"

#include <algorithm>
#include <cmath>

#include "render/fades.h"

namespace vn {

namespace {

template <size_t N>
std::optional<std::array<float, N>> spanTable(const Curve& curve, const Event& event, const RenderedBlock& block) {
  const auto [lo, hi] = std::minmax_element(curve.begin(), curve.end());
  if (*hi <= 0.0f || *hi - *lo < 1e-4f || !std::isfinite(*hi) || !std::isfinite(*lo)) return std::nullopt;
  std::array<float, N> table;
  const float eventLength = std::max(event.duration, 1e-6f);
  for (size_t i = 0; i < N; ++i) {
    const float t = block.start + block.duration * static_cast<float>(i) / static_cast<float>(N - 1);
    table[i] = std::max(0.0f, sampleTable(curve, (t - event.time) / eventLength)) / *hi;
  }
  return table;
}

template <size_t N>
void multiplyEnvelope(const std::array<float, N>& env, std::vector<float>& left, std::vector<float>& right) {
  const size_t n = std::min(left.size(), right.size());
  if (n == 0) return;
  const float scale = n > 1 ? 1.0f / static_cast<float>(n - 1) : 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const float g = std::max(0.0f, sampleTable(env, static_cast<float>(i) * scale));
    left[i] *= g;
    right[i] *= g;
  }
}

}  // namespace

void setEventTables(RenderedBlock& block, const Event& event, int procMode) {
  if (procMode != 1) block.weightTable = spanTable<256>(event.weight, event, block);
  if (procMode != 3) block.intensityTable = spanTable<128>(event.intensity, event, block);
  if (event.hasTraceGain) block.contourTable = spanTable<32>(event.traceGain, event, block);
}

void applyLayerEnvelopes(const Layer& layer, std::vector<float>& left, std::vector<float>& right) {
  if (layer.hasIntGain) multiplyEnvelope(layer.intGain, left, right);
  if (layer.fillGain) multiplyEnvelope(*layer.fillGain, left, right);
  if (layer.deconGain) multiplyEnvelope(*layer.deconGain, left, right);
}

}  // namespace vn
