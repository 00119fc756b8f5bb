#include "library/analysis/spectrum_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {
namespace {

constexpr double kTiny = 1e-12;
constexpr std::array<double, 6> kBandEdgeHz{20.0, 150.0, 750.0, 2000.0, 6000.0, 16000.0};

size_t BinOf(double hz, double binHz) {
  return static_cast<size_t>(std::clamp(std::trunc(hz / binHz), 0.0, static_cast<double>(kSpectrumBins - 1)));
}

// Sum of ln over the values above kTiny, without a logarithm per bin: products are
// gathered in a mantissa and exponent, which keeps full precision.
double SumOfLogs(const float* values, size_t begin, size_t end, int& counted) {
  double mantissa = 1.0;
  long exponent = 0;
  int sinceNormalise = 0;
  counted = 0;
  for (size_t k = begin; k < end; ++k) {
    if (values[k] <= kTiny) continue;
    mantissa *= values[k];
    ++counted;
    if (++sinceNormalise == 16) {
      int e = 0;
      mantissa = std::frexp(mantissa, &e);
      exponent += e;
      sinceNormalise = 0;
    }
  }
  return std::log(mantissa) + static_cast<double>(exponent) * std::numbers::ln2;
}

void AddFlux(SpectrumMeasures& s, const float* m, double total) {
  if (total <= kTiny) return;
  const bool hasPrevious = !s.previousShape.empty();
  if (!hasPrevious) s.previousShape.resize(kSpectrumBins);
  double change = 0.0;
  const float scale = static_cast<float>(1.0 / total);
  for (size_t k = 0; k < kSpectrumBins; ++k) {
    const float p = m[k] * scale;
    const float d = p - s.previousShape[k];
    change += static_cast<double>(d) * d;
    s.previousShape[k] = p;
  }
  if (hasPrevious) {
    s.fluxSum += std::sqrt(change);
    ++s.fluxCount;
  }
}

void AddFlatness(SpectrumMeasures& s, const float* m) {
  int counted = 0;
  const double logSum = SumOfLogs(m, 1, kSpectrumBins, counted);
  if (counted == 0) return;
  double sum = 0.0;
  for (size_t k = 1; k < kSpectrumBins; ++k) {
    if (m[k] > kTiny) sum += m[k];
  }
  s.flatLogMeanSum += logSum / counted;
  s.flatMeanSum += sum / counted;
  ++s.flatCount;
}

}  // namespace

void BeginSpectrum(SpectrumMeasures& s, double sampleRate) {
  s = SpectrumMeasures{};
  s.binHz = sampleRate / static_cast<double>(kAnalysisBlock);
  for (size_t b = 0; b < kBandEdgeHz.size(); ++b) s.bandEdges[b] = BinOf(kBandEdgeHz[b], s.binHz);
  s.highStart = std::min(static_cast<size_t>(std::trunc(2000.0 / s.binHz)), kSpectrumBins - 1);
  s.longTerm.assign(kSpectrumBins, 0.0);
}

void AddSpectrumBlock(SpectrumMeasures& s, const float* m) {
  ++s.fullBlocks;
  double total = 0.0;
  double high = 0.0;
  double weighted = 0.0;
  for (size_t k = 0; k < kSpectrumBins; ++k) {
    s.longTerm[k] += m[k];
    total += m[k];
    if (k >= s.highStart) high += m[k];
    weighted += static_cast<double>(k) * m[k];
  }
  for (size_t b = 0; b < 5; ++b) {
    for (size_t k = s.bandEdges[b]; k < s.bandEdges[b + 1]; ++k) s.bandSums[b] += m[k];
  }
  s.centroidWeighted += weighted * s.binHz;
  s.centroidTotal += total - m[0];
  s.highAll += total;
  s.highAbove += high;
  AddFlux(s, m, total);
  AddFlatness(s, m);
}

void FinishSpectrum(const SpectrumMeasures& s, LibraryRecord& record) {
  const double largestBand = *std::max_element(s.bandSums.begin(), s.bandSums.end());
  if (largestBand > 0.0) {
    for (size_t b = 0; b < 5; ++b) record.bandShare[b] = static_cast<float>(s.bandSums[b] / largestBand);
  }
  constexpr std::array<double, 5> kBandWeight{0.1, 0.3, 0.5, 0.7, 0.9};
  double shareTotal = 0.0;
  double weightedShare = 0.0;
  for (size_t b = 0; b < 5; ++b) {
    shareTotal += record.bandShare[b];
    weightedShare += kBandWeight[b] * record.bandShare[b];
  }
  if (shareTotal > 0.0) record.brightness = static_cast<float>(weightedShare / shareTotal);

  if (s.centroidTotal > 0.0) {
    const double hz = s.centroidWeighted / s.centroidTotal;
    const double position = (std::log10(std::max(hz, 100.0)) - 2.0) / (std::log10(8000.0) - 2.0);
    record.centroid = static_cast<float>(std::clamp(position, 0.0, 1.0));
  }
  record.highRatio = s.highAll > 0.0 ? static_cast<float>(s.highAbove / s.highAll) : 0.0f;
  if (s.fluxCount > 0) {
    record.spectralFlux =
        static_cast<float>(std::clamp(s.fluxSum / s.fluxCount / std::numbers::sqrt2, 0.0, 1.0));
  }
  if (s.flatCount > 0) {
    const double meanOfMeans = s.flatMeanSum / s.flatCount;
    if (meanOfMeans > kTiny) {
      const double geometric = std::exp(s.flatLogMeanSum / s.flatCount);
      record.flatness = static_cast<float>(std::clamp(geometric / meanOfMeans, 0.0, 1.0));
    }
  }
}

std::vector<double> LongTermSpectrum(const SpectrumMeasures& s) {
  std::vector<double> mean = s.longTerm;
  if (s.fullBlocks > 0) {
    for (double& v : mean) v /= s.fullBlocks;
  }
  return mean;
}

}  // namespace vn
