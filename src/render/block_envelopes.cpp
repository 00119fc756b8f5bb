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

// The envelope's points spread over the buffer, first on the first sample and
// last on the last, joined by straight lines; walked one segment at a time.
template <size_t N>
void multiplyEnvelope(const std::array<float, N>& env, std::vector<float>& left, std::vector<float>& right) {
  const size_t n = std::min(left.size(), right.size());
  if (n == 0) return;
  if (n == 1) {
    const float g = std::max(0.0f, env[0]);
    left[0] *= g;
    right[0] *= g;
    return;
  }
  const double samplesPerSegment = static_cast<double>(n - 1) / static_cast<double>(N - 1);
  for (size_t k = 0; k + 1 < N; ++k) {
    const size_t from = static_cast<size_t>(std::ceil(k * samplesPerSegment));
    const size_t to = k + 2 == N ? n : static_cast<size_t>(std::ceil((k + 1) * samplesPerSegment));
    const float slope = static_cast<float>((env[k + 1] - env[k]) / samplesPerSegment);
    for (size_t i = from; i < std::min(to, n); ++i) {
      const float g = std::max(0.0f, env[k] + slope * static_cast<float>(static_cast<double>(i) - k * samplesPerSegment));
      left[i] *= g;
      right[i] *= g;
    }
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
