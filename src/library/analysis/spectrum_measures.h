#pragma once
// Spectral balance, centroid, brightness, flux and flatness, gathered from the
// magnitude spectrum of every full block.
#include <array>
#include <cstddef>
#include <vector>

#include "library/analysis/working_set.h"
#include "library/library.h"

namespace vn {

struct SpectrumMeasures {
  double binHz = 0.0;
  std::array<size_t, 6> bandEdges{};  // bins of 20, 150, 750, 2000, 6000, 16000 Hz
  size_t highStart = 0;               // first bin at or above 2000 Hz
  std::vector<double> longTerm;       // summed M[k]; divide by fullBlocks
  std::array<double, 5> bandSums{};
  double centroidWeighted = 0.0;
  double centroidTotal = 0.0;
  double highAbove = 0.0;
  double highAll = 0.0;
  std::vector<float> previousShape;  // normalised spectrum of the previous block
  double fluxSum = 0.0;
  int fluxCount = 0;
  double flatLogMeanSum = 0.0;
  double flatMeanSum = 0.0;
  int flatCount = 0;
  int fullBlocks = 0;
};

void BeginSpectrum(SpectrumMeasures& s, double sampleRate);

// magnitudes: the block's M[k], k = 0..kSpectrumBins-1, averaged over channels.
void AddSpectrumBlock(SpectrumMeasures& s, const float* magnitudes);

// bandShare, brightness, centroid, highRatio, spectralFlux, flatness.
void FinishSpectrum(const SpectrumMeasures& s, LibraryRecord& record);

// The long-term mean magnitude spectrum L[k].
std::vector<double> LongTermSpectrum(const SpectrumMeasures& s);

}  // namespace vn
