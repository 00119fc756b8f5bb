#pragma once
// The types of the AAF object model as facts, for the meta-dictionary's type
// definitions: each type's identifier, its kind and what it is made of.
#include <string_view>
#include <vector>

namespace vn::aaf {

enum class TypeKind {
  Integer, Enumeration, Record, FixedArray, VariableArray, Rename, String, Stream, Opaque,
  ExtEnumeration, Character, Indirect, Set, StrongReference, WeakReference,
};

struct TypeMember {
  const char* name;
  const char* value;  // a record member's type, an enumeration's value, an extensible one's identifier
};

struct TypeFact {
  const char* name;
  const char* auid;
  TypeKind kind;
  const char* element;  // element, renamed or member type; the class a reference names
  int size;             // an integer's bytes, a fixed array's count
  bool isSigned;
  std::vector<TypeMember> members;
  std::vector<const char*> targetPath;  // a weak reference's target set, as property identifiers
};

const std::vector<TypeFact>& typeFacts();
const TypeFact* findType(std::string_view auid);

}  // namespace vn::aaf
