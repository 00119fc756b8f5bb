#include <algorithm>

#include "picture/trace_analyzer.h"

namespace vn {

void BuildCurveFromTrace(const TraceAnalyzer& a, float start, float end, float* out, int count) {
  const int n = static_cast<int>(a.frames.size());
  if (count < 1) return;
  if (n == 0) {
    std::fill(out, out + count, 0.5f);
    return;
  }
  for (int k = 0; k < count; ++k) {
    const float t = count > 1 ? start + k * (end - start) / (count - 1) : start;
    const float position = t * a.analysisFps;
    const int i0 = std::clamp(static_cast<int>(position), 0, n - 1);
    const float f = position - i0;
    out[k] = (1.0f - f) * a.frames[i0].composite + f * a.frames[std::min(n - 1, i0 + 1)].composite;
  }
  const auto [low, high] = std::minmax_element(out, out + count);
  const float lo = *low, range = *high - *low;
  if (range >= 0.001f) {
    for (int k = 0; k < count; ++k) out[k] = std::clamp((out[k] - lo) / range, 0.0f, 1.0f);
  } else {
    std::fill(out, out + count, 0.5f);
  }
}

}  // namespace vn
