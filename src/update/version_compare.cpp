#include "update/version_compare.h"

#include <cstdint>
#include <limits>

namespace vn {
namespace {

// The component that starts at pos, and pos moved past it and its dot.
uint64_t nextComponent(std::string_view text, size_t& pos) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  size_t i = pos;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    ++i;
  }
  const size_t dot = text.find('.', pos);
  pos = dot == std::string_view::npos ? text.size() : dot + 1;
  return value;
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
  size_t pa = 0, pb = 0;
  while (pa < a.size() || pb < b.size()) {
    const uint64_t ca = pa < a.size() ? nextComponent(a, pa) : 0;
    const uint64_t cb = pb < b.size() ? nextComponent(b, pb) : 0;
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

}  // namespace vn
