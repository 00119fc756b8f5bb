#include "library/analysis/spectrum_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "library/analysis/lane_sums.h"

namespace vn {
namespace {

constexpr double kTiny = 1e-12;
constexpr std::array<double, 6> kBandEdgeHz{20.0, 150.0, 750.0, 2000.0, 6000.0, 16000.0};

size_t BinOf(double hz, double binHz) {
  return static_cast<size_t>(std::clamp(std::trunc(hz / binHz), 0.0, static_cast<double>(kSpectrumBins - 1)));
}

// Sum of ln m[k] and of m[k] over the bins of [1, kSpectrumBins) above kTiny, and
// how many there are. The logarithms are not taken bin by bin: products are
// gathered in eight mantissas whose exponents are taken out now and then, which
// keeps full precision at a fraction of the cost.
struct LogSums {
  double logSum = 0.0;
  double sum = 0.0;
  int counted = 0;
};

LogSums SumLogsAboveTiny(const float* m) {
  double mantissa[kLanes] = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
  float sums[kLanes] = {};
  int counts[kLanes] = {};
  long exponent = 0;
  auto normalise = [&] {
    for (double& value : mantissa) {
      int e = 0;
      value = std::frexp(value, &e);
      exponent += e;
    }
  };
  LogSums result;
  for (size_t k = 1; k < kLanes; ++k) {  // bin 0 is left out, so the first lane-width is done alone
    if (m[k] <= kTiny) continue;
    result.logSum += std::log(m[k]);
    result.sum += m[k];
    ++result.counted;
  }
  int sinceNormalise = 0;
  for (size_t k = kLanes; k < kSpectrumBins; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) {
      const bool above = m[k + l] > kTiny;
      mantissa[l] *= above ? static_cast<double>(m[k + l]) : 1.0;
      sums[l] += above ? m[k + l] : 0.0f;
      counts[l] += above;
    }
    if (++sinceNormalise == 16) {
      normalise();
      sinceNormalise = 0;
    }
  }
  for (size_t l = 0; l < kLanes; ++l) {
    result.logSum += std::log(mantissa[l]);
    result.counted += counts[l];
  }
  result.logSum += static_cast<double>(exponent) * std::numbers::ln2;
  result.sum += LaneTotal(sums);
  return result;
}

void AddFlux(SpectrumMeasures& s, const float* m, double total) {
  if (total <= kTiny) return;
  const bool hasPrevious = !s.previousShape.empty();
  if (!hasPrevious) s.previousShape.resize(kSpectrumBins);
  float* previous = s.previousShape.data();
  const float scale = static_cast<float>(1.0 / total);
  float lanes[kLanes] = {};
  for (size_t k = 0; k < kSpectrumBins; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) {
      const float p = m[k + l] * scale;
      const float d = p - previous[k + l];
      lanes[l] += d * d;
      previous[k + l] = p;
    }
  }
  if (hasPrevious) {
    s.fluxSum += std::sqrt(static_cast<double>(LaneTotal(lanes)));
    ++s.fluxCount;
  }
}

void AddFlatness(SpectrumMeasures& s, const float* m) {
  const LogSums sums = SumLogsAboveTiny(m);
  if (sums.counted == 0) return;
  s.flatLogMeanSum += sums.logSum / sums.counted;
  s.flatMeanSum += sums.sum / sums.counted;
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
  for (size_t k = 0; k < kSpectrumBins; ++k) s.longTerm[k] += m[k];
  const double total = SpanSum(m, 0, kSpectrumBins);
  for (size_t b = 0; b < 5; ++b) s.bandSums[b] += SpanSum(m, s.bandEdges[b], s.bandEdges[b + 1]);
  s.centroidWeighted += static_cast<double>(IndexWeightedSum(m, kSpectrumBins)) * s.binHz;
  s.centroidTotal += total - m[0];
  s.highAll += total;
  s.highAbove += SpanSum(m, s.highStart, kSpectrumBins);
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
    record.spectralFlux = static_cast<float>(std::clamp(s.fluxSum / s.fluxCount / std::numbers::sqrt2, 0.0, 1.0));
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
