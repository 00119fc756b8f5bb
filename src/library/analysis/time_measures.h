#pragma once
// Level, peak, zero crossings and envelopes of the mono mix, sample by sample
// across the whole analysed span.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "library/library.h"

namespace vn {

constexpr size_t kEnvelopeHop = 256;  // samples per value of the short envelope

struct TimeMeasures {
  double sumSquares = 0.0;
  double sumIndexSquares = 0.0;  // energy weighted by sample index
  float peak = 0.0f;
  int64_t peakIndex = 0;
  int64_t crossings = 0;
  int64_t samples = 0;
  bool previousNegative = false;
  double hopSquares = 0.0;
  size_t hopFill = 0;
  std::vector<float> envelope;  // RMS of every 256 samples
  std::vector<float> blockRms;  // RMS of every 2048-sample block
  std::vector<float> squares;   // scratch: the current block's squares
};

// Adds one block of the mono mix (a last partial block arrives zero-padded).
void AddTimeBlock(TimeMeasures& m, const float* mono, size_t count);

// rmsDb, dynamicRangeDb, crestDb, peakPosition, temporalCentroid, zeroCrossRate,
// onsetPosition. spanFrames is the span the analysis meant to cover.
void FinishTimeMeasures(const TimeMeasures& m, int64_t spanFrames, LibraryRecord& record);

}  // namespace vn
