#pragma once
// Curves in documents: one line of 256 numbers with four significant digits.
#include <string_view>

#include "core/curve.h"
#include "core/json_value.h"
#include "core/json_writer.h"

namespace vn {

void writeCurve(JsonWriter& writer, std::string_view key, const Curve& curve);
// A value that is not an array gives a flat 0.5; a shorter array repeats its last
// value; an entry that is not a number counts as 0.5.
void readCurve(const JsonValue& value, Curve& curve);
// A layer's own gain curve: a shorter array is stretched over the 256 points by
// linear interpolation (an entry that is not a number counts as 1.0), and every
// point is clamped to 0..1.
void readStretchedGain(const JsonValue& value, Curve& curve);

}  // namespace vn
