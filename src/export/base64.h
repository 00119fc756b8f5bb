#pragma once
// Base64 with the standard alphabet and padding, on one line: how the recipe and
// the manifest travel inside an iXML text.
#include <optional>
#include <string>
#include <string_view>

namespace vn {

std::string base64Encode(std::string_view bytes);

// The bytes of a Base64 text (padding optional). nullopt for a character outside
// the alphabet, padding anywhere but at the end, or a length no encoder makes.
// Callers that accept text broken across lines remove the whitespace first.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace vn
