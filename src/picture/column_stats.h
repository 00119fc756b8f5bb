#pragma once
// Robust statistics over frame columns: shot cuts and local thresholds that
// never look across a cut.
#include <vector>

#include "picture/trace_types.h"

namespace vn {

// One field of every row, as a column.
std::vector<float> ColumnOf(const std::vector<FrameMeasures>& frames, float FrameMeasures::*field);

// Centred moving average over i - radius .. i + radius, clipped to the column.
std::vector<float> MovingAverage(const std::vector<float>& values, int radius);

struct ShotCuts {
  std::vector<int> cuts;       // starts with 0, ends with the frame count
  std::vector<int> shotStart;  // per frame: first frame of its shot
  std::vector<int> shotEnd;    // per frame: last frame of its shot
  std::vector<int> shotIndex;  // per frame: k such that cuts[k] <= frame < cuts[k + 1]
};

// The element at position count / 2 of the sorted values (the upper one for even
// counts); 0 for no values. Reorders `values`.
float MedianOf(std::vector<float>& values);

// Cuts where the column stands out by five robust deviations (at least 0.25) and
// lies more than 2 frames after the previous cut.
ShotCuts ComputeShots(const std::vector<float>& column);

// Per frame, the median and robust sigma (1.4826 x median absolute deviation) of
// the frames within `half` of it that lie in its own shot.
struct RobustWindow {
  float median = 0.0f;
  float sigma = 0.0f;
  bool valid = false;  // at least 3 frames
};
std::vector<RobustWindow> RobustWindows(const std::vector<float>& values, const ShotCuts& shots, int half);
// max(floor, median + k x sigma), or the fallback for windows of fewer than 3 frames.
float ThresholdFrom(const RobustWindow& window, float k, float floor, float fallback);

}  // namespace vn
