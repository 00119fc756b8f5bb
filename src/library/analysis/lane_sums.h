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
  float lanes[kLanes] = {};
  size_t k = begin;
  for (; k + kLanes <= end; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) lanes[l] += v[k + l];
  }
  float total = LaneTotal(lanes);
  for (; k < end; ++k) total += v[k];
  return total;
}

// Sum of v[k]^2 over [0, count).
inline float SquareSum(const float* v, size_t count) {
  float lanes[kLanes] = {};
  size_t k = 0;
  for (; k + kLanes <= count; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) lanes[l] += v[k + l] * v[k + l];
  }
  float total = LaneTotal(lanes);
  for (; k < count; ++k) total += v[k] * v[k];
  return total;
}

// Sum of k * w[k] over [0, count), for w the squares or the magnitudes.
inline float IndexWeightedSum(const float* w, size_t count) {
  float lanes[kLanes] = {};
  size_t k = 0;
  for (; k + kLanes <= count; k += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) lanes[l] += static_cast<float>(k + l) * w[k + l];
  }
  float total = LaneTotal(lanes);
  for (; k < count; ++k) total += static_cast<float>(k) * w[k];
  return total;
}

}  // namespace vn
