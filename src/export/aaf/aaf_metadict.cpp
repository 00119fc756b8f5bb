#include "export/aaf/aaf_metadict.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "export/aaf/aaf_types.h"

namespace vn::aaf {
namespace {

// The meta-dictionary's own classes and properties, which the object model fixes.
const ClassFact kMetaDictionaryClass{"MetaDictionary", "0d010101-0225-0000-060e-2b3402060101", "", true, {}};
const ClassFact kClassDefinitionClass{"ClassDefinition", "0d010101-0201-0000-060e-2b3402060101", "", true, {}};
const ClassFact kPropertyDefinitionClass{"PropertyDefinition", "0d010101-0202-0000-060e-2b3402060101", "", true, {}};
const PropertyFact kClassDefinitions{"ClassDefinitions", "", 0x0003, "", false, false};
const PropertyFact kTypeDefinitions{"TypeDefinitions", "", 0x0004, "", false, false};
const PropertyFact kIdentification{"Identification", "", 0x0005, "", false, true};
const PropertyFact kName{"Name", "", 0x0006, "", false, false};
const PropertyFact kParentClass{"ParentClass", "", 0x0008, "", false, false};
const PropertyFact kProperties{"Properties", "", 0x0009, "", false, false};
const PropertyFact kIsConcrete{"IsConcrete", "", 0x000A, "", false, false};
const PropertyFact kType{"Type", "", 0x000B, "", false, false};
const PropertyFact kIsOptional{"IsOptional", "", 0x000C, "", false, false};
const PropertyFact kLocalIdentification{"LocalIdentification", "", 0x000D, "", false, false};
const PropertyFact kIsUniqueIdentifier{"IsUniqueIdentifier", "", 0x000E, "", false, false};

ObjectId addRaw(Document& doc, const ClassFact& cls) { return newObject(doc, cls); }
void addData(Document& doc, ObjectId obj, const PropertyFact& fact, std::string_view data) {
  setStored(doc, propertyOf(doc, obj, fact, Form::Data), data);
}
// The set of obj with these facts, keyed by AUIDs of the given pid.
Property& setOf(Document& doc, ObjectId obj, const PropertyFact& fact) {
  Property& set = propertyOf(doc, obj, fact, Form::StrongSet);
  set.keyPid = 0x0005;
  return set;
}

// The classes objects of doc belong to, with every ancestor, in model order.
std::vector<const ClassFact*> usedClasses(const Document& doc) {
  std::vector<bool> used(classFacts().size());
  const ClassFact* last = nullptr;
  for (const Object& o : doc.objects) {
    if (o.cls == last) continue;
    last = o.cls;
    for (const ClassFact* c = o.cls; c && !used[classIndex(*c)]; c = parentOf(*c)) used[classIndex(*c)] = true;
  }
  std::vector<const ClassFact*> ordered;
  for (const ClassFact& c : classFacts())
    if (used[classIndex(c)]) ordered.push_back(&c);
  return ordered;
}


// Type definitions: one class per kind, with the properties the object model fixes.
struct TypeKindFacts {
  TypeKind kind;
  ClassFact cls;
};
const TypeKindFacts kTypeClasses[] = {
    {TypeKind::Integer, {"TypeDefinitionInteger", "0d010101-0204-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::StrongReference, {"TypeDefinitionStrongObjectReference", "0d010101-0205-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::WeakReference, {"TypeDefinitionWeakObjectReference", "0d010101-0206-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Enumeration, {"TypeDefinitionEnumeration", "0d010101-0207-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::FixedArray, {"TypeDefinitionFixedArray", "0d010101-0208-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::VariableArray, {"TypeDefinitionVariableArray", "0d010101-0209-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Set, {"TypeDefinitionSet", "0d010101-020a-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::String, {"TypeDefinitionString", "0d010101-020b-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Stream, {"TypeDefinitionStream", "0d010101-020c-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Record, {"TypeDefinitionRecord", "0d010101-020d-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Rename, {"TypeDefinitionRename", "0d010101-020e-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::ExtEnumeration, {"TypeDefinitionExtendibleEnumeration", "0d010101-0220-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Indirect, {"TypeDefinitionIndirect", "0d010101-0221-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Opaque, {"TypeDefinitionOpaque", "0d010101-0222-0000-060e-2b3402060101", "", true, {}}},
    {TypeKind::Character, {"TypeDefinitionCharacter", "0d010101-0223-0000-060e-2b3402060101", "", true, {}}},
};
const PropertyFact kSize{"Size", "", 0x000F, "", false, false};
const PropertyFact kIsSigned{"IsSigned", "", 0x0010, "", false, false};
const PropertyFact kStrongReferencedType{"ReferencedType", "", 0x0011, "", false, false};
const PropertyFact kWeakReferencedType{"ReferencedType", "", 0x0012, "", false, false};
const PropertyFact kTargetSet{"TargetSet", "", 0x0013, "", false, false};
const PropertyFact kEnumElementType{"ElementType", "", 0x0014, "", false, false};
const PropertyFact kEnumElementNames{"ElementNames", "", 0x0015, "", false, false};
const PropertyFact kEnumElementValues{"ElementValues", "", 0x0016, "", false, false};
const PropertyFact kFixedElementType{"ElementType", "", 0x0017, "", false, false};
const PropertyFact kElementCount{"ElementCount", "", 0x0018, "", false, false};
const PropertyFact kVariableElementType{"ElementType", "", 0x0019, "", false, false};
const PropertyFact kSetElementType{"ElementType", "", 0x001A, "", false, false};
const PropertyFact kStringElementType{"ElementType", "", 0x001B, "", false, false};
const PropertyFact kMemberTypes{"MemberTypes", "", 0x001C, "", false, false};
const PropertyFact kMemberNames{"MemberNames", "", 0x001D, "", false, false};
const PropertyFact kRenamedType{"RenamedType", "", 0x001E, "", false, false};
const PropertyFact kExtElementNames{"ElementNames", "", 0x001F, "", false, false};
const PropertyFact kExtElementValues{"ElementValues", "", 0x0020, "", false, false};

void addWeak(Document& doc, ObjectId obj, const PropertyFact& fact, WeakTarget target, const Auid& key) {
  const std::string stored = weakTargetPrefix(doc, target) + auidBytes(key);
  setStored(doc, propertyOf(doc, obj, fact, Form::WeakRef), stored);
}

// The types the classes' properties and the file's indirect values name, with every
// type those are made of, in the model's order.
std::vector<const TypeFact*> usedTypes(const std::vector<const ClassFact*>& classes) {
  std::set<std::string_view> wanted = {"03010100-0000-0000-060e-2b3401040101", "01100200-0000-0000-060e-2b3401040101",
                                       "01010700-0000-0000-060e-2b3401040101"};
  for (const ClassFact* c : classes)
    for (const PropertyFact& p : c->properties) wanted.insert(p.type);
  std::vector<std::string_view> pending(wanted.begin(), wanted.end());
  while (!pending.empty()) {
    const TypeFact* t = findType(pending.back());
    pending.pop_back();
    if (!t) continue;
    std::vector<std::string_view> parts;
    switch (t->kind) {
      case TypeKind::Enumeration:
      case TypeKind::FixedArray:
      case TypeKind::VariableArray:
      case TypeKind::Rename:
      case TypeKind::String:
      case TypeKind::Set: parts.push_back(t->element); break;
      case TypeKind::Record:
        for (const TypeMember& m : t->members) parts.push_back(m.value);
        break;
      default: break;
    }
    for (std::string_view part : parts)
      if (wanted.insert(part).second) pending.push_back(part);
  }
  std::vector<const TypeFact*> ordered;
  for (const TypeFact& t : typeFacts())
    if (wanted.count(t.auid)) ordered.push_back(&t);
  return ordered;
}

std::string stringArray(const std::vector<TypeMember>& members, bool names) {
  std::string out;
  for (const TypeMember& m : members) out += utf16Z(names ? m.name : m.value);
  return out;
}

ObjectId typeDefinition(Document& doc, const TypeFact& t) {
  const ClassFact* cls = nullptr;
  for (const TypeKindFacts& k : kTypeClasses)
    if (k.kind == t.kind) cls = &k.cls;
  const ObjectId def = addRaw(doc, *cls);
  addData(doc, def, kIdentification, auidBytes(auidFromText(t.auid)));
  addData(doc, def, kName, utf16Z(t.name));
  const Auid element = auidFromText(t.element);
  switch (t.kind) {
    case TypeKind::Integer:
      addData(doc, def, kSize, std::string(1, static_cast<char>(t.size)));
      addData(doc, def, kIsSigned, std::string(1, t.isSigned ? '\1' : '\0'));
      break;
    case TypeKind::StrongReference:
      addWeak(doc, def, kStrongReferencedType, WeakTarget::ClassDefinitions, element);
      break;
    case TypeKind::WeakReference: {
      addWeak(doc, def, kWeakReferencedType, WeakTarget::ClassDefinitions, element);
      std::string path;
      for (const char* p : t.targetPath) path += auidBytes(auidFromText(p));
      addData(doc, def, kTargetSet, path);
      break;
    }
    case TypeKind::Enumeration: {
      addWeak(doc, def, kEnumElementType, WeakTarget::TypeDefinitions, element);
      addData(doc, def, kEnumElementNames, stringArray(t.members, true));
      std::string values;
      for (const TypeMember& m : t.members) values += le64(static_cast<uint64_t>(std::strtoll(m.value, nullptr, 10)));
      addData(doc, def, kEnumElementValues, values);
      break;
    }
    case TypeKind::ExtEnumeration: {
      addData(doc, def, kExtElementNames, stringArray(t.members, true));
      std::string values;
      for (const TypeMember& m : t.members) values += auidBytes(auidFromText(m.value));
      addData(doc, def, kExtElementValues, values);
      break;
    }
    case TypeKind::FixedArray:
      addWeak(doc, def, kFixedElementType, WeakTarget::TypeDefinitions, element);
      addData(doc, def, kElementCount, le32(static_cast<uint32_t>(t.size)));
      break;
    case TypeKind::VariableArray: addWeak(doc, def, kVariableElementType, WeakTarget::TypeDefinitions, element); break;
    case TypeKind::Set: addWeak(doc, def, kSetElementType, WeakTarget::TypeDefinitions, element); break;
    case TypeKind::String: addWeak(doc, def, kStringElementType, WeakTarget::TypeDefinitions, element); break;
    case TypeKind::Rename: addWeak(doc, def, kRenamedType, WeakTarget::TypeDefinitions, element); break;
    case TypeKind::Record: {
      const std::string prefix = weakTargetPrefix(doc, WeakTarget::TypeDefinitions);
      Property& members = propertyOf(doc, def, kMemberTypes, Form::WeakVector);
      setStored(doc, members, prefix);
      for (const TypeMember& m : t.members) appendElement(doc, def, members, kNone, auidBytes(auidFromText(m.value)));
      addData(doc, def, kMemberNames, stringArray(t.members, true));
      break;
    }
    case TypeKind::Stream:
    case TypeKind::Opaque:
    case TypeKind::Indirect:
    case TypeKind::Character: break;
  }
  return def;
}

}  // namespace

ObjectId buildMetaDictionary(Document& doc) {
  const std::vector<const ClassFact*> classes = usedClasses(doc);
  const ObjectId meta = addRaw(doc, kMetaDictionaryClass);
  std::vector<ObjectId> classObjects;
  for (const ClassFact* c : classes) {
    const ObjectId def = addRaw(doc, kClassDefinitionClass);
    const Auid auid = auidFromText(c->auid);
    addData(doc, def, kIdentification, auidBytes(auid));
    addData(doc, def, kName, utf16Z(c->name));
    addData(doc, def, kIsConcrete, std::string(1, c->concrete ? '\1' : '\0'));
    classObjects.push_back(def);
    for (const PropertyFact& p : c->properties) {
      const ObjectId pd = addRaw(doc, kPropertyDefinitionClass);
      const Auid pauid = auidFromText(p.auid);
      addData(doc, pd, kIdentification, auidBytes(pauid));
      addData(doc, pd, kName, utf16Z(p.name));
      addData(doc, pd, kType, auidBytes(auidFromText(p.type)));
      addData(doc, pd, kIsOptional, std::string(1, p.optional ? '\1' : '\0'));
      addData(doc, pd, kLocalIdentification, le16(p.pid));
      addData(doc, pd, kIsUniqueIdentifier, std::string(1, p.unique ? '\1' : '\0'));
      appendElement(doc, def, setOf(doc, def, kProperties), pd, auidBytes(pauid));
    }
    // The root class names itself as its parent.
    const Auid parent = auidFromText(*c->parent ? c->parent : c->auid);
    addWeak(doc, def, kParentClass, WeakTarget::ClassDefinitions, parent);
  }
  setOf(doc, meta, kClassDefinitions);
  for (size_t i = 0; i < classObjects.size(); ++i)
    appendElement(doc, meta, setOf(doc, meta, kClassDefinitions), classObjects[i], auidBytes(auidFromText(classes[i]->auid)));
  setOf(doc, meta, kTypeDefinitions);
  for (const TypeFact* t : usedTypes(classes)) {
    const ObjectId def = typeDefinition(doc, *t);
    appendElement(doc, meta, setOf(doc, meta, kTypeDefinitions), def, auidBytes(auidFromText(t->auid)));
  }
  return meta;
}


}  // namespace vn::aaf
