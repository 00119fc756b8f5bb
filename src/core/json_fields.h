#pragma once
// Reading single members the way every document reader of the program does: a
// missing key, or a value of another JSON type, gives the default; a number read
// into an integer is truncated toward zero; ranges are applied by clamping.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/json_value.h"

namespace vn {

float readFloat(const JsonValue& object, std::string_view key, float fallback);
float readFloat(const JsonValue& object, std::string_view key, float fallback, float lo, float hi);
int readInt(const JsonValue& object, std::string_view key, int fallback);
int readInt(const JsonValue& object, std::string_view key, int fallback, int lo, int hi);
bool readBool(const JsonValue& object, std::string_view key, bool fallback);
std::string readString(const JsonValue& object, std::string_view key);
// A fixed-capacity text field: cut to capacity - 1 bytes.
std::string readText(const JsonValue& object, std::string_view key, size_t capacity);

// A JSON number as an int: truncated toward zero, saturating at the int range.
int truncateToInt(double value);
// A double as a float; beyond the float range it becomes an infinity.
float toFloat(double value);
// The number of a value, or fallback when it is not a number.
float numberOr(const JsonValue& value, float fallback);

}  // namespace vn
