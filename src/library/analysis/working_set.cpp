#include "library/analysis/working_set.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

namespace vn {

struct AnalysisWorkingSet::Fft {
  kiss_fftr_cfg forward = kiss_fftr_alloc(static_cast<int>(kAnalysisBlock), 0, nullptr, nullptr);
  kiss_fftr_cfg inverse = kiss_fftr_alloc(static_cast<int>(kAnalysisBlock), 1, nullptr, nullptr);
  std::vector<kiss_fft_cpx> bins = std::vector<kiss_fft_cpx>(kAnalysisBlock / 2 + 1);
  std::vector<kiss_fft_cpx> otherBins = std::vector<kiss_fft_cpx>(kAnalysisBlock / 2 + 1);
  Fft() = default;
  Fft(const Fft&) = delete;
  Fft& operator=(const Fft&) = delete;
  ~Fft() {
    kiss_fftr_free(forward);
    kiss_fftr_free(inverse);
  }
};

AnalysisWorkingSet::AnalysisWorkingSet() : fft(std::make_unique<Fft>()), windowed(kAnalysisBlock) {
  for (size_t i = 0; i < kAnalysisBlock; ++i) {
    window[i] = static_cast<float>(
        0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(kAnalysisBlock))));
  }
}

AnalysisWorkingSet::~AnalysisWorkingSet() = default;

void AddBlockMagnitudes(AnalysisWorkingSet& set, const float* block, float* magnitudes) {
  float* windowed = set.windowed.data();
  for (size_t i = 0; i < kAnalysisBlock; ++i) windowed[i] = block[i] * set.window[i];
  kiss_fftr(set.fft->forward, windowed, set.fft->bins.data());
  const kiss_fft_cpx* bins = set.fft->bins.data();
  for (size_t k = 0; k < kSpectrumBins; ++k) {
    magnitudes[k] += std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i);
  }
}

void CrossCorrelate(AnalysisWorkingSet& set, const float* a, const float* x, float* out) {
  AnalysisWorkingSet::Fft& fft = *set.fft;
  kiss_fftr(fft.forward, a, fft.otherBins.data());
  kiss_fftr(fft.forward, x, fft.bins.data());
  const float scale = 1.0f / static_cast<float>(kAnalysisBlock);
  for (size_t k = 0; k < fft.bins.size(); ++k) {
    const kiss_fft_cpx p = fft.otherBins[k];
    const kiss_fft_cpx q = fft.bins[k];
    // conj(A) * X, scaled so that the inverse transform returns plain sums.
    fft.bins[k] = {(p.r * q.r + p.i * q.i) * scale, (p.r * q.i - p.i * q.r) * scale};
  }
  kiss_fftri(fft.inverse, fft.bins.data(), out);
}

}  // namespace vn
