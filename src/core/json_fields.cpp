#include "core/json_fields.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/text_field.h"

namespace vn {

int truncateToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  return static_cast<int>(std::trunc(std::clamp(value, lo, hi)));
}

float toFloat(double value) {
  constexpr double largest = std::numeric_limits<float>::max();
  if (value > largest) return std::numeric_limits<float>::infinity();
  if (value < -largest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

float numberOr(const JsonValue& value, float fallback) {
  return value.isNumber() ? toFloat(value.number()) : fallback;
}

float readFloat(const JsonValue& object, std::string_view key, float fallback) {
  return numberOr(member(object, key), fallback);
}

float readFloat(const JsonValue& object, std::string_view key, float fallback, float lo, float hi) {
  const JsonValue& v = member(object, key);
  if (!v.isNumber()) return fallback;
  return std::clamp(toFloat(v.number()), lo, hi);
}

int readInt(const JsonValue& object, std::string_view key, int fallback) {
  const JsonValue& v = member(object, key);
  return v.isNumber() ? truncateToInt(v.number()) : fallback;
}

int readInt(const JsonValue& object, std::string_view key, int fallback, int lo, int hi) {
  const JsonValue& v = member(object, key);
  return v.isNumber() ? std::clamp(truncateToInt(v.number()), lo, hi) : fallback;
}

bool readBool(const JsonValue& object, std::string_view key, bool fallback) {
  const JsonValue& v = member(object, key);
  return v.isBool() ? v.boolean() : fallback;
}

std::string readString(const JsonValue& object, std::string_view key) {
  return std::string(member(object, key).text());
}

std::string readText(const JsonValue& object, std::string_view key, size_t capacity) {
  return cutText(member(object, key).text(), capacity);
}

}  // namespace vn
