#include "export/aaf/aaf_model.h"

#include <cstring>
#include <unordered_map>

namespace vn::aaf {
namespace {

struct Index {
  std::unordered_map<std::string, const ClassFact*> byName;
  std::unordered_map<std::string, const ClassFact*> byAuid;
};

const Index& index() {
  static const Index built = [] {
    Index ix;
    for (const ClassFact& c : classFacts()) {
      ix.byName[c.name] = &c;
      ix.byAuid[c.auid] = &c;
    }
    return ix;
  }();
  return built;
}

}  // namespace

const ClassFact* findClass(const std::string& name) {
  auto it = index().byName.find(name);
  return it == index().byName.end() ? nullptr : it->second;
}

const ClassFact* parentOf(const ClassFact& cls) {
  if (!*cls.parent) return nullptr;
  auto it = index().byAuid.find(cls.parent);
  return it == index().byAuid.end() ? nullptr : it->second;
}

const PropertyFact* findProperty(const ClassFact& cls, const std::string& name) {
  for (const ClassFact* c = &cls; c; c = parentOf(*c))
    for (const PropertyFact& p : c->properties)
      if (name == p.name) return &p;
  return nullptr;
}

}  // namespace vn::aaf
