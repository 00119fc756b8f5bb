#include "export/aaf/cfb_names.h"

#include "export/aaf/cfb_format.h"

namespace vn::cfb {

bool validEntryName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameUnits) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E || c == '/' || c == '\\' || c == ':' || c == '!') return false;
  }
  return true;
}

int compareEntryNames(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
    const char x = upper(a[i]), y = upper(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  return 0;
}

}  // namespace vn::cfb
