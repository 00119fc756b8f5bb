#include "library/analysis/pitch_detector.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vn {
namespace {

constexpr double kThreshold = 0.15;
constexpr double kNoPitchAbove = 0.5;

// d'(tau) for tau = 0..window-1, where d(tau) = sum over j < window of
// (x[j] - x[j+tau])^2. The sums are expanded into two energies and a
// cross-correlation, which the FFT gives for every lag at once.
std::vector<double> NormalisedDifference(AnalysisWorkingSet& set, const float* x, size_t count, size_t window) {
  std::vector<float> head(kAnalysisBlock, 0.0f);
  std::vector<float> whole(kAnalysisBlock, 0.0f);
  std::copy(x, x + window, head.begin());
  std::copy(x, x + count, whole.begin());
  std::vector<float> correlation(kAnalysisBlock);
  CrossCorrelate(set, head.data(), whole.data(), correlation.data());

  std::vector<double> prefix(count + 1, 0.0);  // running energy of x
  for (size_t j = 0; j < count; ++j) prefix[j + 1] = prefix[j] + static_cast<double>(x[j]) * x[j];

  std::vector<double> d(window, 1.0);
  double running = 0.0;
  for (size_t tau = 1; tau < window; ++tau) {
    const double shifted = prefix[tau + window] - prefix[tau];
    const double diff = std::max(prefix[window] + shifted - 2.0 * correlation[tau], 0.0);
    running += diff;
    d[tau] = running > 0.0 ? diff * static_cast<double>(tau) / running : 1.0;
  }
  return d;
}

size_t PickLag(const std::vector<double>& d, size_t lo, size_t hi) {
  for (size_t tau = lo; tau <= hi; ++tau) {
    if (d[tau] < kThreshold) {
      while (tau + 1 <= hi && d[tau + 1] < d[tau]) ++tau;
      return tau;
    }
  }
  size_t best = lo;
  for (size_t tau = lo; tau <= hi; ++tau) {
    if (d[tau] < d[best]) best = tau;
  }
  return best;
}

}  // namespace

PitchEstimate DetectPitch(AnalysisWorkingSet& set, const float* samples, size_t count, double sampleRate) {
  count = std::min(count, kAnalysisBlock);
  const size_t window = count / 2;
  if (window < 64 || sampleRate <= 0.0) return {};
  const std::vector<double> d = NormalisedDifference(set, samples, count, window);
  const size_t lo = std::max<size_t>(static_cast<size_t>(sampleRate / 10000.0), 2);
  const size_t hi = std::min(static_cast<size_t>(sampleRate / 30.0), window - 1);
  if (lo > hi) return {};
  const size_t tau = PickLag(d, lo, hi);
  if (d[tau] > kNoPitchAbove) return {};

  double lag = static_cast<double>(tau);
  if (tau + 1 < window) {
    const double a = d[tau - 1], b = d[tau], c = d[tau + 1];
    const double curvature = a - 2.0 * b + c;
    if (std::fabs(curvature) > 1e-9) lag += 0.5 * (a - c) / curvature;
  }
  if (lag <= 0.0) return {};
  return {sampleRate / lag, std::clamp(1.0 - d[tau], 0.0, 1.0)};
}

bool ApplyPitch(const PitchEstimate& estimate, LibraryRecord& record) {
  record.pitchConfidence = static_cast<float>(estimate.confidence);
  if (!(estimate.hz > 20.0 && estimate.hz < 10000.0 && estimate.confidence > 0.3)) return false;
  record.pitchHz = static_cast<float>(estimate.hz);
  const double note = 69.0 + 12.0 * std::log2(estimate.hz / 440.0);
  const double nearest = std::round(note);
  record.midiNote = static_cast<int>(std::clamp(nearest, 0.0, 127.0));
  record.pitchCents = static_cast<float>((note - nearest) * 100.0);
  return true;
}

}  // namespace vn
