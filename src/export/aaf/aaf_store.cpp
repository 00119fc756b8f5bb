#include "export/aaf/aaf_store.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "platform/text.h"

namespace vn::aaf {

std::string mangledName(const std::string& name, uint16_t pid, size_t size) {
  const std::string hex = format("%x", pid);
  const size_t room = size - hex.size() - 2;
  std::string squeezed = name;
  if (name.size() > room) {
    // Keep the head and the tail, joined by '-', so distinct names stay distinct.
    const size_t half = room / 2;
    squeezed = name.substr(0, half) + "-" + name.substr(name.size() - (room - half - 1));
  }
  return squeezed + "-" + hex;
}

namespace {

const char* kRootClass = "b3b398a5-1c90-11d4-8053-080036210804";
constexpr uint8_t kPropertyVersion = 0x20;

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

ObjectId addRaw(Document& doc, const ClassFact& cls) {
  doc.objects.push_back(Object{&cls, {}});
  return static_cast<ObjectId>(doc.objects.size() - 1);
}
void addData(Document& doc, ObjectId obj, const PropertyFact& fact, std::string data) {
  doc.objects[obj].properties.push_back(Property{&fact, Form::Data, std::move(data), {}, {}, 0});
}
Property& addSet(Document& doc, ObjectId obj, const PropertyFact& fact, uint16_t keyPid) {
  doc.objects[obj].properties.push_back(Property{&fact, Form::StrongSet, {}, {}, {}, keyPid});
  return doc.objects[obj].properties.back();
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
      Property* set = nullptr;
      for (Property& q : doc.objects[def].properties)
        if (q.fact == &kProperties) set = &q;
      if (!set) set = &addSet(doc, def, kProperties, 0x0005);
      set->children.push_back(pd);
      set->keys.push_back(auidBytes(pauid));
    }
    // The root class names itself as its parent.
    const Auid parent = auidFromText(*c->parent ? c->parent : c->auid);
    auto it = std::find(doc.weakTargets.begin(), doc.weakTargets.end(), WeakTarget::ClassDefinitions);
    const auto index = static_cast<uint16_t>(it - doc.weakTargets.begin());
    if (it == doc.weakTargets.end()) doc.weakTargets.push_back(WeakTarget::ClassDefinitions);
    doc.objects[def].properties.push_back(Property{
        &kParentClass, Form::WeakRef, le16(index) + le16(0x0005) + std::string(1, char(16)) + auidBytes(parent), {},
        {}, 0});
  }
  Property& set = addSet(doc, meta, kClassDefinitions, 0x0005);
  for (size_t i = 0; i < classObjects.size(); ++i) {
    set.children.push_back(classObjects[i]);
    set.keys.push_back(auidBytes(auidFromText(classes[i]->auid)));
  }
  addSet(doc, meta, kTypeDefinitions, 0x0005);
  return meta;
}

std::vector<uint16_t> pidPath(WeakTarget t) {
  switch (t) {
    case WeakTarget::ClassDefinitions: return {0x0001, 0x0003};
    case WeakTarget::TypeDefinitions: return {0x0001, 0x0004};
    case WeakTarget::DataDefinitions: return {0x0002, 0x3B04, 0x2605};
    case WeakTarget::OperationDefinitions: return {0x0002, 0x3B04, 0x2603};
    case WeakTarget::InterpolationDefinitions: return {0x0002, 0x3B04, 0x2609};
    case WeakTarget::ContainerDefinitions: return {0x0002, 0x3B04, 0x2608};
  }
  return {};
}

std::string referencedProperties(const Document& doc) {
  std::string pids;
  uint32_t count = 0;
  for (WeakTarget t : doc.weakTargets) {
    for (uint16_t pid : pidPath(t)) pids += le16(pid), ++count;
    pids += le16(0), ++count;
  }
  return std::string(1, char(0x4C)) + le16(static_cast<uint16_t>(doc.weakTargets.size())) + le32(count) + pids;
}

// Storage names of properties and the class ids of objects, made once per writer.
struct StoreCache {
  std::unordered_map<const PropertyFact*, std::pair<std::string, std::string>> names;  // plain, UTF-16
  std::unordered_map<const ClassFact*, cfb::Clsid> metaClsids;

  const std::pair<std::string, std::string>& nameOf(const PropertyFact& fact, size_t size) {
    auto [it, added] = names.try_emplace(&fact);
    if (added) {
      it->second.first = mangledName(fact.name, fact.pid, size);
      it->second.second = utf16Z(it->second.first);
    }
    return it->second;
  }
  const cfb::Clsid& clsidOf(const ClassFact& cls) {
    const auto& facts = classFacts();
    if (&cls >= facts.data() && &cls < facts.data() + facts.size()) return classAuid(cls);
    auto [it, added] = metaClsids.try_emplace(&cls);
    if (added) it->second = auidFromText(cls.auid);
    return it->second;
  }
};

std::string elementName(const std::string& indexName, uint32_t k) {
  char hex[12];
  const int n = std::snprintf(hex, sizeof hex, "{%x}", k);
  std::string out;
  out.reserve(indexName.size() + static_cast<size_t>(n));
  out += indexName;
  out.append(hex, static_cast<size_t>(n));
  return out;
}

void storeObject(const Document& doc, ObjectId id, cfb::Tree& tree, uint32_t parent, std::string name,
                 StoreCache& cache) {
  const Object& o = doc.objects[id];
  const uint32_t storage = cfb::addStorage(tree, parent, std::move(name), cache.clsidOf(*o.cls));
  std::string entries, data;
  entries.reserve(o.properties.size() * 6);
  struct Child {
    ObjectId id;
    std::string name;
  };
  std::vector<Child> children;
  for (const Property& p : o.properties) {
    const std::string* stored = &p.data;
    switch (p.form) {
      case Form::Data:
      case Form::WeakRef: break;
      case Form::StrongRef: {
        const auto& ref = cache.nameOf(*p.fact, 32);
        stored = &ref.second;
        children.push_back({p.children.front(), ref.first});
        break;
      }
      case Form::StrongVector:
      case Form::StrongSet: {
        const auto& named = cache.nameOf(*p.fact, 22);
        const std::string& indexName = named.first;
        stored = &named.second;
        const auto n = static_cast<uint32_t>(p.children.size());
        std::string index = le32(n) + le32(n) + le32(0xFFFFFFFFu);
        if (p.form == Form::StrongSet) {
          const uint8_t keySize = p.keys.empty() ? 16 : static_cast<uint8_t>(p.keys.front().size());
          index += le16(p.keyPid) + std::string(1, char(keySize));
          for (uint32_t k = 0; k < n; ++k) index += le32(k) + le32(1) + p.keys[k];
        } else {
          for (uint32_t k = 0; k < n; ++k) index += le32(k);
        }
        cfb::addStream(tree, storage, indexName + " index", std::move(index));
        for (uint32_t k = 0; k < n; ++k) children.push_back({p.children[k], elementName(indexName, k)});
        break;
      }
    }
    entries += le16(p.fact->pid);
    entries += le16(static_cast<uint16_t>(p.form));
    entries += le16(static_cast<uint16_t>(stored->size()));
    data += *stored;
  }
  std::string stream;
  stream.reserve(4 + entries.size() + data.size());
  stream += char(0x4C);
  stream += char(kPropertyVersion);
  stream += le16(static_cast<uint16_t>(o.properties.size()));
  stream += entries;
  stream += data;
  cfb::addStream(tree, storage, "properties", std::move(stream));
  for (Child& c : children) storeObject(doc, c.id, tree, storage, std::move(c.name), cache);
}

}  // namespace

void storeDocument(Document& doc, ObjectId header, cfb::Tree& tree) {
  const ObjectId meta = buildMetaDictionary(doc);
  // An object is a storage and its properties stream, often with an index stream.
  tree.entries.reserve(tree.entries.size() + doc.objects.size() * 3);
  tree.entries[cfb::kRootId].clsid = auidFromText(kRootClass);
  const std::string metaName = "MetaDictionary-1", headerName = "Header-2";
  std::string entries = le16(0x0001) + le16(uint16_t(Form::StrongRef)) + le16(uint16_t(utf16Z(metaName).size())) +
                        le16(0x0002) + le16(uint16_t(Form::StrongRef)) + le16(uint16_t(utf16Z(headerName).size()));
  cfb::addStream(tree, cfb::kRootId, "properties",
                 std::string(1, char(0x4C)) + std::string(1, char(kPropertyVersion)) + le16(2) + entries +
                     utf16Z(metaName) + utf16Z(headerName));
  StoreCache cache;
  storeObject(doc, meta, tree, cfb::kRootId, metaName, cache);
  storeObject(doc, header, tree, cfb::kRootId, headerName, cache);
  cfb::addStream(tree, cfb::kRootId, "referenced properties", referencedProperties(doc));
}

}  // namespace vn::aaf
