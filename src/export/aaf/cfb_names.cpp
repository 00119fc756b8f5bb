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

}  // namespace vn::cfb
