#include "library/analysis/time_measures.h"

#include <algorithm>
#include <cmath>

namespace vn {

void AddTimeBlock(TimeMeasures& m, const float* mono, size_t count) {
  double blockSquares = 0.0;
  for (size_t j = 0; j < count; ++j) {
    const float x = mono[j];
    const double square = static_cast<double>(x) * x;
    const int64_t index = m.samples + static_cast<int64_t>(j);
    blockSquares += square;
    m.sumIndexSquares += static_cast<double>(index) * square;
    const float magnitude = std::fabs(x);
    if (magnitude > m.peak) {
      m.peak = magnitude;
      m.peakIndex = index;
    }
    const bool negative = x < 0.0f;
    if (index > 0 && negative != m.previousNegative) ++m.crossings;
    m.previousNegative = negative;
    m.hopSquares += square;
    if (++m.hopFill == kEnvelopeHop) {
      m.envelope.push_back(static_cast<float>(std::sqrt(m.hopSquares / kEnvelopeHop)));
      m.hopSquares = 0.0;
      m.hopFill = 0;
    }
  }
  m.sumSquares += blockSquares;
  m.samples += static_cast<int64_t>(count);
  if (count > 0) m.blockRms.push_back(static_cast<float>(std::sqrt(blockSquares / static_cast<double>(count))));
}

void FinishTimeMeasures(const TimeMeasures& m, int64_t spanFrames, LibraryRecord& record) {
  if (m.samples <= 0) return;
  const double rms = std::sqrt(m.sumSquares / static_cast<double>(m.samples));
  record.rmsDb = rms > 0.0 ? static_cast<float>(20.0 * std::log10(rms)) : -100.0f;
  const double crest = rms > 0.0 ? 20.0 * std::log10(m.peak / rms) : 0.0;
  record.dynamicRangeDb = record.crestDb = static_cast<float>(crest);

  const double spanDone = static_cast<double>(std::min(spanFrames, m.samples));
  if (spanDone > 0.0) {
    record.peakPosition = static_cast<float>(static_cast<double>(m.peakIndex) / spanDone);
    if (m.sumSquares > 0.0) {
      record.temporalCentroid =
          static_cast<float>(std::clamp(m.sumIndexSquares / m.sumSquares / spanDone, 0.0, 1.0));
    }
  }
  record.zeroCrossRate = static_cast<float>(
      std::clamp(static_cast<double>(m.crossings) / static_cast<double>(m.samples) * 4.0, 0.0, 1.0));

  if (m.blockRms.size() >= 3) {
    const float loudest = *std::max_element(m.blockRms.begin(), m.blockRms.end());
    auto first = std::find_if(m.blockRms.begin(), m.blockRms.end(), [&](float r) { return r > 0.15f * loudest; });
    if (first != m.blockRms.end()) {
      record.onsetPosition = static_cast<float>(static_cast<double>(first - m.blockRms.begin()) /
                                                static_cast<double>(m.blockRms.size()));
    }
  }
}

}  // namespace vn
