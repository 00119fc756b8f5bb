#include "render/scale_snap.h"

#include <algorithm>
#include <cmath>

#include "builder/pitch_scale.h"
#include "library/analysis/pitch_detector.h"

namespace vn {

namespace {

constexpr size_t kWindowMax = 32768;
constexpr size_t kMinSamples = 129;

// The loudest analysis block inside [from, from + length): pitch is clearest
// where the sound is.
size_t loudestBlock(const std::vector<float>& mono, size_t from, size_t length) {
  const size_t block = std::min(length, kAnalysisBlock);
  size_t best = from;
  double bestEnergy = -1.0;
  for (size_t start = from; start + block <= from + length; start += kAnalysisBlock / 2) {
    double e = 0.0;
    for (size_t i = start; i < start + block; ++i) e += static_cast<double>(mono[i]) * mono[i];
    if (e > bestEnergy) bestEnergy = e, best = start;
  }
  return best;
}

}  // namespace

std::optional<MeasuredPitch> measureFundamental(const std::vector<float>& left, const std::vector<float>& right,
                                                int sampleRate) {
  const size_t n = std::min(left.size(), right.size());
  if (n < kMinSamples || sampleRate <= 0) return std::nullopt;
  std::vector<float> mono(n);
  for (size_t i = 0; i < n; ++i) mono[i] = 0.5f * (left[i] + right[i]);

  const size_t windows = std::min<size_t>(3, std::max<size_t>(1, n / kAnalysisBlock));
  const size_t windowLength = std::min(kWindowMax, n / windows);
  AnalysisWorkingSet set;
  std::vector<MeasuredPitch> found;
  for (size_t w = 0; w < windows; ++w) {
    // Windows sit at the centres of equal thirds of the buffer.
    const size_t centre = n * (2 * w + 1) / (2 * windows);
    const size_t from = std::min(n - windowLength, centre - std::min(centre, windowLength / 2));
    const size_t start = loudestBlock(mono, from, windowLength);
    const size_t count = std::min(kAnalysisBlock, n - start);
    const PitchEstimate e = DetectPitch(set, mono.data() + start, count, sampleRate);
    if (e.hz > 20.0 && e.hz < 10000.0 && e.confidence > 0.25)
      found.push_back({static_cast<float>(e.hz), static_cast<float>(e.confidence)});
  }
  if (found.empty()) return std::nullopt;
  MeasuredPitch pick = found[0];
  if (found.size() == 3) {
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
    pick = found[1];
  } else if (found.size() == 2 && found[1].confidence > found[0].confidence) {
    pick = found[1];
  }
  if (!(pick.hz > 20.0f && pick.hz < 10000.0f)) return std::nullopt;
  return pick;
}

bool snapLayerToScale(Layer& layer, const Event& event, const std::vector<float>& left,
                      const std::vector<float>& right, int sampleRate, int scaleType, int scaleRoot) {
  const auto pitch = measureFundamental(left, right, sampleRate);
  if (!pitch) return false;
  setSourcePitch(layer, pitch->hz, pitch->confidence);
  tuneLayer(layer, scaleType, scaleRoot, event);
  return true;
}

}  // namespace vn
