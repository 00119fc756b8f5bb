#include "export/aaf/aaf_types.h"

#include <unordered_map>

namespace vn::aaf {

const TypeFact* findType(std::string_view auid) {
  static const auto byAuid = [] {
    std::unordered_map<std::string_view, const TypeFact*> m;
    for (const TypeFact& t : typeFacts()) m[t.auid] = &t;
    return m;
  }();
  auto it = byAuid.find(auid);
  return it == byAuid.end() ? nullptr : it->second;
}

}  // namespace vn::aaf
