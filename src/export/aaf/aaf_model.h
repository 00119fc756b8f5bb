#pragma once
// The classes and properties of the AAF object model our writer uses, as facts:
// identifiers, local property ids and type identifiers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vn::aaf {

struct PropertyFact {
  const char* name;
  const char* auid;
  uint16_t pid;
  const char* type;
  bool optional;
  bool unique;
};

struct ClassFact {
  const char* name;
  const char* auid;
  const char* parent;  // "" for the root of the hierarchy
  bool concrete;
  std::vector<PropertyFact> properties;  // this class's own, not the inherited ones
};

// Every class, each after its parent.
const std::vector<ClassFact>& classFacts();

const ClassFact* findClass(std::string_view name);
// The class's parent, or nullptr at the root.
const ClassFact* parentOf(const ClassFact& cls);
// A property of the class or one of its ancestors, or nullptr.
const PropertyFact* findProperty(const ClassFact& cls, std::string_view name);
// The class's place in classFacts().
size_t classIndex(const ClassFact& cls);
// The class's identifier in stored byte order, parsed once.
const std::array<uint8_t, 16>& classAuid(const ClassFact& cls);

}  // namespace vn::aaf
