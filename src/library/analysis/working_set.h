#pragma once
// What one analysis worker keeps between files: its own FFT plan and window, the
// spectrum scratch and the decode buffer, so that no file pays for setting them up.
#include <array>
#include <complex>
#include <cstddef>
#include <vector>

#include "platform/real_fft.h"

namespace vn {

constexpr size_t kAnalysisBlock = 2048;  // frames per analysed block and FFT length
constexpr size_t kSpectrumBins = 1024;   // magnitude bins kept per block (0..1023)

struct AnalysisWorkingSet {
  AnalysisWorkingSet();

  RealFft fft{kAnalysisBlock};                 // forward and inverse plans with their buffers
  std::vector<std::complex<float>> otherBins;  // the second spectrum of a correlation
  std::array<float, kAnalysisBlock> window{};  // periodic Hann
  std::vector<float> decodeBuffer;             // interleaved frames of one read
  int channelOrderFallback = 0;                // preference choosing the default channel table
};

// Windows one block of kAnalysisBlock samples, transforms it and adds |X[k]| for
// k = 0..kSpectrumBins-1 into magnitudes.
void AddBlockMagnitudes(AnalysisWorkingSet& set, const float* block, float* magnitudes);

// Circular cross-correlation of two kAnalysisBlock-sample buffers through the FFT:
// out[tau] = sum over j of a[j] * x[(j + tau) mod kAnalysisBlock].
void CrossCorrelate(AnalysisWorkingSet& set, const float* a, const float* x, float* out);

}  // namespace vn
