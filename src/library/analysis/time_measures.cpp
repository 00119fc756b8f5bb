#include "library/analysis/time_measures.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "library/analysis/lane_sums.h"

namespace vn {

namespace {

void AddEnvelope(TimeMeasures& m, const float* squares, size_t count) {
  for (size_t pos = 0; pos < count;) {
    const size_t take = std::min(kEnvelopeHop - m.hopFill, count - pos);
    m.hopSquares += SpanSum(squares, pos, pos + take);
    m.hopFill += take;
    pos += take;
    if (m.hopFill == kEnvelopeHop) {
      m.envelope.push_back(static_cast<float>(std::sqrt(m.hopSquares / kEnvelopeHop)));
      m.hopSquares = 0.0;
      m.hopFill = 0;
    }
  }
}

// The largest |x| of a block. The magnitudes are compared as bit patterns, which
// order like the values they encode and compare four at a time on the baseline
// target, where a float maximum does not vectorise; a NaN never wins.
float BlockPeak(const float* x, size_t count) {
  constexpr int32_t kInfinityBits = 0x7f800000;
  int32_t loudest = 0;
  for (size_t j = 0; j < count; ++j) {
    const int32_t bits = std::bit_cast<int32_t>(x[j]) & 0x7fffffff;
    loudest = std::max(loudest, bits > kInfinityBits ? 0 : bits);
  }
  return std::bit_cast<float>(loudest);
}

void AddPeak(TimeMeasures& m, const float* x, size_t count, int64_t base) {
  const float peak = BlockPeak(x, count);
  if (!(peak > m.peak)) return;  // the first occurrence of the loudest sample counts
  const float* at = std::find_if(x, x + count, [&](float v) { return std::fabs(v) == peak; });
  m.peak = peak;
  m.peakIndex = base + (at - x);
}

int64_t CountCrossings(TimeMeasures& m, const float* x, size_t count, int64_t base) {
  int crossings = base > 0 && (x[0] < 0.0f) != m.previousNegative ? 1 : 0;  // a block's count fits in 32 bits
  for (size_t j = 1; j < count; ++j) crossings += (x[j] < 0.0f) != (x[j - 1] < 0.0f);
  m.previousNegative = x[count - 1] < 0.0f;
  return crossings;
}

}  // namespace

void AddTimeBlock(TimeMeasures& m, const float* x, size_t count) {
  if (count == 0) return;
  const int64_t base = m.samples;
  m.squares.resize(count);
  float* squares = m.squares.data();
  for (size_t j = 0; j < count; ++j) squares[j] = x[j] * x[j];
  const double blockSquares = SpanSum(squares, 0, count);
  m.sumSquares += blockSquares;
  m.sumIndexSquares += static_cast<double>(base) * blockSquares + IndexWeightedSum(squares, count);
  AddEnvelope(m, squares, count);
  AddPeak(m, x, count, base);
  m.crossings += CountCrossings(m, x, count, base);
  m.samples += static_cast<int64_t>(count);
  m.blockRms.push_back(static_cast<float>(std::sqrt(blockSquares / static_cast<double>(count))));
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
      record.temporalCentroid = static_cast<float>(std::clamp(m.sumIndexSquares / m.sumSquares / spanDone, 0.0, 1.0));
    }
  }
  record.zeroCrossRate =
      static_cast<float>(std::clamp(static_cast<double>(m.crossings) / static_cast<double>(m.samples) * 4.0, 0.0, 1.0));

  if (m.blockRms.size() >= 3) {
    const float loudest = *std::max_element(m.blockRms.begin(), m.blockRms.end());
    auto first = std::find_if(m.blockRms.begin(), m.blockRms.end(), [&](float r) { return r > 0.15f * loudest; });
    if (first != m.blockRms.end()) {
      record.onsetPosition =
          static_cast<float>(static_cast<double>(first - m.blockRms.begin()) / static_cast<double>(m.blockRms.size()));
    }
  }
}

}  // namespace vn
