#include "picture/column_stats.h"

#include <algorithm>
#include <cmath>

namespace vn {
namespace {

constexpr float kMadToSigma = 1.4826f;

// Median and median absolute deviation of values[begin .. end].
void medianAndDeviation(const std::vector<float>& values, int begin, int end, std::vector<float>& scratch,
                        float& median, float& deviation) {
  scratch.assign(values.begin() + begin, values.begin() + end + 1);
  median = MedianOf(scratch);
  for (size_t i = 0; i < scratch.size(); ++i) scratch[i] = std::fabs(values[begin + i] - median);
  deviation = MedianOf(scratch);
}

}  // namespace

std::vector<float> ColumnOf(const std::vector<FrameMeasures>& frames, float FrameMeasures::*field) {
  std::vector<float> column(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) column[i] = frames[i].*field;
  return column;
}

std::vector<float> MovingAverage(const std::vector<float>& values, int radius) {
  // Summed window by window, not by running sums: a flat stretch of the input
  // then gives bit-identical averages, so equal peaks compare equal.
  const int n = static_cast<int>(values.size());
  std::vector<float> out(n);
  for (int i = 0; i < n; ++i) {
    const int begin = std::max(0, i - radius), end = std::min(n - 1, i + radius);
    double sum = 0.0;
    for (int j = begin; j <= end; ++j) sum += values[j];
    out[i] = static_cast<float>(sum / (end - begin + 1));
  }
  return out;
}

float MedianOf(std::vector<float>& values) {
  if (values.empty()) return 0.0f;
  auto middle = values.begin() + static_cast<long>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

ShotCuts ComputeShots(const std::vector<float>& h) {
  ShotCuts shots;
  const int n = static_cast<int>(h.size());
  shots.cuts.push_back(0);
  if (n > 0) {
    std::vector<float> scratch;
    float median = 0.0f, deviation = 0.0f;
    medianAndDeviation(h, 0, n - 1, scratch, median, deviation);
    const float threshold = std::max(0.25f, median + 5.0f * kMadToSigma * deviation);
    for (int i = 1; i <= n - 2; ++i) {
      if (h[i] > threshold && h[i - 1] <= h[i] && h[i + 1] < h[i] && i - shots.cuts.back() > 2) shots.cuts.push_back(i);
    }
  }
  shots.cuts.push_back(n);
  shots.shotStart.resize(n);
  shots.shotEnd.resize(n);
  shots.shotIndex.resize(n);
  for (size_t k = 0; k + 1 < shots.cuts.size(); ++k) {
    for (int i = shots.cuts[k]; i < shots.cuts[k + 1]; ++i) {
      shots.shotStart[i] = shots.cuts[k];
      shots.shotEnd[i] = shots.cuts[k + 1] - 1;
      shots.shotIndex[i] = static_cast<int>(k);
    }
  }
  return shots;
}

std::vector<RobustWindow> RobustWindows(const std::vector<float>& values, const ShotCuts& shots, int half) {
  const int n = static_cast<int>(values.size());
  std::vector<RobustWindow> out(n);
  std::vector<float> scratch;
  for (int i = 0; i < n; ++i) {
    const int begin = std::max(shots.shotStart[i], i - half);
    const int end = std::min(shots.shotEnd[i], i + half);
    if (end - begin + 1 < 3) continue;
    float deviation = 0.0f;
    medianAndDeviation(values, begin, end, scratch, out[i].median, deviation);
    out[i].sigma = kMadToSigma * deviation;
    out[i].valid = true;
  }
  return out;
}

float ThresholdFrom(const RobustWindow& window, float k, float floor, float fallback) {
  return window.valid ? std::max(floor, window.median + k * window.sigma) : fallback;
}

}  // namespace vn
