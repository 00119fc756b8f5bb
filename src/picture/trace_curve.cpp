#include <algorithm>

#include "picture/trace_analyzer.h"

namespace vn {

int FrameIndexAt(double position, int n) {
  if (!(position > 0.0)) return 0;  // also NaN
  return position >= n - 1 ? std::max(0, n - 1) : static_cast<int>(position);
}

void SampleComposite(const TraceAnalyzer& a, float start, float end, float* out, int count) {
  const int n = static_cast<int>(a.frames.size());
  if (n == 0) {
    std::fill(out, out + std::max(0, count), 0.0f);
    return;
  }
  for (int k = 0; k < count; ++k) {
    const float t = count > 1 ? start + k * (end - start) / (count - 1) : start;
    const float position = t * a.analysisFps;
    const int i0 = FrameIndexAt(position, n);
    const float f = std::clamp(position - static_cast<float>(i0), 0.0f, 1.0f);
    out[k] = (1.0f - f) * a.frames[i0].composite + f * a.frames[std::min(n - 1, i0 + 1)].composite;
  }
}

void BuildCurveFromTrace(const TraceAnalyzer& a, float start, float end, float* out, int count) {
  if (count < 1) return;
  SampleComposite(a, start, end, out, count);
  const auto [low, high] = std::minmax_element(out, out + count);
  const float lo = *low, range = *high - *low;
  if (range >= 0.001f) {
    for (int k = 0; k < count; ++k) out[k] = std::clamp((out[k] - lo) / range, 0.0f, 1.0f);
  } else {
    std::fill(out, out + count, 0.5f);
  }
}

}  // namespace vn
