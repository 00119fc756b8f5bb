#pragma once
// The program's JSON reader. It never throws and never fails as a whole:
// malformed parts become null values or truncated containers, so a reader of a
// damaged document gets as much of it as can be had.
#include <string_view>

#include "core/json_value.h"

namespace vn {

// Containers nested deeper than this read as null.
constexpr int kJsonMaxDepth = 64;

// Parses one value at the start of text (after whitespace) and advances text past
// it. The caller starts with depth 0.
JsonValue parseJson(std::string_view& text, int depth = 0);

// The value at the start of a whole document.
JsonValue parseJsonText(std::string_view text);

}  // namespace vn
