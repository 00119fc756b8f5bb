#pragma once
// Names of container entries: what may be stored, and the order siblings are kept in
// (shorter names first, then by upper-cased characters).
#include <string_view>

namespace vn::cfb {

// Non-empty ASCII of at most 31 characters without the characters the container
// reserves ('/', '\\', ':', '!') and without control characters.
bool validEntryName(std::string_view name);

// Negative, zero or positive as a sorts before, equal to or after b.
int compareEntryNames(std::string_view a, std::string_view b);

}  // namespace vn::cfb
