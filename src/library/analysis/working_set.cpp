#include "library/analysis/working_set.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {

AnalysisWorkingSet::AnalysisWorkingSet() : otherBins(kAnalysisBlock / 2 + 1) {
  for (size_t i = 0; i < kAnalysisBlock; ++i) {
    window[i] = static_cast<float>(
        0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(kAnalysisBlock))));
  }
}

void AddBlockMagnitudes(AnalysisWorkingSet& set, const float* block, float* magnitudes) {
  float* windowed = set.fft.samples;
  for (size_t i = 0; i < kAnalysisBlock; ++i) windowed[i] = block[i] * set.window[i];
  forwardTransform(set.fft);
  const float* bins = reinterpret_cast<const float*>(set.fft.bins);  // re, im pairs
  for (size_t k = 0; k < kSpectrumBins; ++k) {
    const float re = bins[2 * k], im = bins[2 * k + 1];
    magnitudes[k] += std::sqrt(re * re + im * im);
  }
}

void CrossCorrelate(AnalysisWorkingSet& set, const float* a, const float* x, float* out) {
  RealFft& fft = set.fft;
  std::copy_n(a, kAnalysisBlock, fft.samples);
  forwardTransform(fft);
  std::copy_n(fft.bins, set.otherBins.size(), set.otherBins.begin());
  std::copy_n(x, kAnalysisBlock, fft.samples);
  forwardTransform(fft);
  const float scale = 1.0f / static_cast<float>(kAnalysisBlock);
  for (size_t k = 0; k < set.otherBins.size(); ++k) {
    // conj(A) * X, scaled so that the inverse transform returns plain sums.
    fft.bins[k] = std::conj(set.otherBins[k]) * fft.bins[k] * scale;
  }
  inverseTransform(fft);
  std::copy_n(fft.samples, kAnalysisBlock, out);
}

}  // namespace vn
