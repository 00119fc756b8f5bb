#include "core/curve_io.h"

#include <algorithm>
#include <cmath>

#include "core/json_fields.h"

namespace vn {

void writeCurve(JsonWriter& writer, std::string_view key, const Curve& curve) {
  writer.key(key);
  writer.compactNumberArray(curve, 4);
}

void readCurve(const JsonValue& value, Curve& curve) {
  std::span<const JsonValue> items = value.items();
  if (!value.isArray() || items.empty()) {
    curve = flatCurve(0.5f);
    return;
  }
  const size_t taken = std::min<size_t>(items.size(), kCurvePoints);
  for (size_t i = 0; i < taken; ++i) curve[i] = numberOr(items[i], 0.5f);
  for (size_t i = taken; i < kCurvePoints; ++i) curve[i] = curve[taken - 1];
}

void readStretchedGain(const JsonValue& value, Curve& curve) {
  std::span<const JsonValue> items = value.items();
  const size_t n = items.size();
  if (n == 0) {
    curve = flatCurve(1.0f);
    return;
  }
  auto at = [&](size_t k) { return std::clamp(numberOr(items[k], 1.0f), 0.0f, 1.0f); };
  if (n >= kCurvePoints || n == 1) {
    for (size_t i = 0; i < kCurvePoints; ++i) curve[i] = at(std::min(i, n - 1));
    return;
  }
  for (size_t i = 0; i < kCurvePoints; ++i) {
    const double p = static_cast<double>(i) / (kCurvePoints - 1) * static_cast<double>(n - 1);
    const size_t k = std::min(static_cast<size_t>(p), n - 2);
    const double a = numberOr(items[k], 1.0f);
    const double b = numberOr(items[k + 1], 1.0f);
    curve[i] = std::clamp(static_cast<float>(a + (p - static_cast<double>(k)) * (b - a)), 0.0f, 1.0f);
  }
}

}  // namespace vn
