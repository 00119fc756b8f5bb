#pragma once
// Sums over spans of floats with eight independent running totals, so that the
// additions do not wait on each other and the compiler can use vector registers.
// Each span is short (at most one block), which keeps float totals accurate; longer
// totals are gathered in double by the callers.
#include <cstddef>

namespace vn {

constexpr size_t kLanes = 8;

inline float LaneTotal(const float (&lanes)[kLanes]) {
  return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
}

// Sum of v[begin..end).
inline float SpanSum(const float* v, size_t begin, size_t end) {
  if (end <= begin) return 0.0f;
  float lanes[kLanes] = {};
  const size_t whole = end - (end - begin) % kLanes;
  for (size_t k = begin; k < whole; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) lanes[l] += v[k + l];
  }
  float total = LaneTotal(lanes);
  for (size_t r = 0; r < end - whole; ++r) total += v[whole + r];
  return total;
}

// Sum of k * w[k] over [0, count), for w the squares or the magnitudes (count is
// at most one block). The indices are 32-bit, since only those convert to float in
// vector registers on the baseline target.
inline float IndexWeightedSum(const float* w, size_t count) {
  float lanes[kLanes] = {};
  const size_t whole = count - count % kLanes;
  const int lastWhole = static_cast<int>(whole);
  for (int k = 0; k < lastWhole; k += static_cast<int>(kLanes)) {
    for (int l = 0; l < static_cast<int>(kLanes); ++l) lanes[l] += static_cast<float>(k + l) * w[k + l];
  }
  float total = LaneTotal(lanes);
  for (size_t k = whole; k < count; ++k) total += static_cast<float>(k) * w[k];
  return total;
}

}  // namespace vn
