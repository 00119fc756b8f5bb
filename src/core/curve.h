#pragma once
#include <array>

namespace vn {

// 256 values spread evenly over an event's duration (point i at i/255 of it), normally 0..1.
constexpr int kCurvePoints = 256;
using Curve = std::array<float, kCurvePoints>;

inline Curve flatCurve(float value) {
  Curve c;
  c.fill(value);
  return c;
}

}  // namespace vn
