#pragma once
// Names of container entries: what may be stored, and the order siblings are kept in
// (shorter names first, then by upper-cased characters).
#include <string_view>

namespace vn::cfb {

// Non-empty ASCII of at most 31 characters without the characters the container
// reserves ('/', '\\', ':', '!') and without control characters.
bool validEntryName(std::string_view name);

// Negative, zero or positive as a sorts before, equal to or after b. Inline: a
// session's writer sorts storages of thousands of siblings.
inline int compareEntryNames(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
    const char x = upper(a[i]), y = upper(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  return 0;
}

}  // namespace vn::cfb
