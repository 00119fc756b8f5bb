#include "export/aaf/cfb_names.h"

#include <array>

#include "export/aaf/cfb_format.h"

namespace vn::cfb {

bool validEntryName(std::string_view name) {
  // Which bytes a name may hold, as a table: a session checks a hundred thousand names.
  static const auto allowed = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c <= 0x7E; ++c) table[c] = c != '/' && c != '\\' && c != ':' && c != '!';
    return table;
  }();
  if (name.empty() || name.size() > kMaxNameUnits) return false;
  for (char c : name)
    if (!allowed[static_cast<unsigned char>(c)]) return false;
  return true;
}

}  // namespace vn::cfb
