#include "export/aaf/aaf_model.h"

#include <unordered_map>

#include "export/aaf/aaf_ids.h"

namespace vn::aaf {
namespace {

// Lookups a writer makes for every object, resolved once.
struct Index {
  std::unordered_map<std::string_view, const ClassFact*> byName;
  std::vector<const ClassFact*> parents;  // by class index
  std::vector<Auid> auids;                // by class index
};

const Index& index() {
  static const Index built = [] {
    Index ix;
    const auto& facts = classFacts();
    std::unordered_map<std::string_view, const ClassFact*> byAuid;
    for (const ClassFact& c : facts) {
      ix.byName[c.name] = &c;
      byAuid[c.auid] = &c;
      ix.auids.push_back(auidFromText(c.auid));
    }
    for (const ClassFact& c : facts) {
      auto it = byAuid.find(c.parent);
      ix.parents.push_back(*c.parent && it != byAuid.end() ? it->second : nullptr);
    }
    return ix;
  }();
  return built;
}

}  // namespace

size_t classIndex(const ClassFact& cls) { return static_cast<size_t>(&cls - classFacts().data()); }

const ClassFact* findClass(std::string_view name) {
  auto it = index().byName.find(name);
  return it == index().byName.end() ? nullptr : it->second;
}

const ClassFact* parentOf(const ClassFact& cls) { return index().parents[classIndex(cls)]; }

const Auid& classAuid(const ClassFact& cls) { return index().auids[classIndex(cls)]; }

const PropertyFact* findProperty(const ClassFact& cls, std::string_view name) {
  for (const ClassFact* c = &cls; c; c = parentOf(*c))
    for (const PropertyFact& p : c->properties)
      if (name == p.name) return &p;
  return nullptr;
}

}  // namespace vn::aaf
