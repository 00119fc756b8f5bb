#include "export/aaf/aaf_store.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "export/aaf/aaf_metadict.h"
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

struct PendingChild {
  ObjectId id;
  const std::string* name;  // the storage name, or the collection's index name
  int64_t element;          // the element's local key in a collection; -1 for a single reference
};

// Storage names of properties and the class ids of objects, made once per writer, and
// the children still to be stored.
struct StoreCache {
  std::vector<PendingChild> pending;
  std::string stream, index;  // each stream is built here, then copied into the tree
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
  // The children wait on one stack shared by the whole walk, so an object costs no
  // list of its own.
  const size_t firstChild = cache.pending.size();
  const size_t count = o.properties.size();
  std::string& stream = cache.stream;
  stream.clear();
  stream += char(0x4C);
  stream += char(kPropertyVersion);
  stream += le16(static_cast<uint16_t>(count));
  stream.resize(4 + count * 6);
  size_t entryAt = 4;
  for (const Property& p : o.properties) {
    const std::string* stored = &p.data;
    switch (p.form) {
      case Form::Data:
      case Form::WeakRef: break;
      case Form::StrongRef: {
        const auto& ref = cache.nameOf(*p.fact, 32);
        stored = &ref.second;
        cache.pending.push_back({p.children.front(), &ref.first, -1});
        break;
      }
      case Form::WeakVector: {
        const auto& named = cache.nameOf(*p.fact, 32);
        stored = &named.second;
        std::string& index = cache.index;
        index = le32(static_cast<uint32_t>(p.keys.size())) + p.data;
        for (const std::string& key : p.keys) index += key;
        cfb::addStream(tree, storage, named.first + " index", index);
        break;
      }
      case Form::StrongVector:
      case Form::StrongSet: {
        const auto& named = cache.nameOf(*p.fact, 22);
        const std::string& indexName = named.first;
        stored = &named.second;
        const auto n = static_cast<uint32_t>(p.children.size());
        const bool set = p.form == Form::StrongSet;
        const size_t keySize = set && !p.keys.empty() ? p.keys.front().size() : 16;
        std::string& index = cache.index;
        index.clear();
        index += le32(n);
        index += le32(n);
        index += le32(0xFFFFFFFFu);
        if (set) {
          index += le16(p.keyPid);
          index += char(keySize);
          for (uint32_t k = 0; k < n; ++k) {
            index += le32(k);
            index += le32(1);
            index += p.keys[k];
          }
        } else {
          for (uint32_t k = 0; k < n; ++k) index += le32(k);
        }
        cfb::addStream(tree, storage, indexName + " index", index);
        for (uint32_t k = 0; k < n; ++k) cache.pending.push_back({p.children[k], &indexName, k});
        break;
      }
    }
    const std::string entry =
        le16(p.fact->pid) + le16(static_cast<uint16_t>(p.form)) + le16(static_cast<uint16_t>(stored->size()));
    stream.replace(entryAt, 6, entry);
    entryAt += 6;
    stream += *stored;
  }
  cfb::addStream(tree, storage, "properties", stream);
  const size_t endChild = cache.pending.size();
  for (size_t c = firstChild; c < endChild; ++c) {
    const PendingChild child = cache.pending[c];
    storeObject(doc, child.id, tree, storage, child.element < 0 ? *child.name : elementName(*child.name, uint32_t(child.element)),
                cache);
  }
  cache.pending.resize(firstChild);
}

}  // namespace

void storeDocument(Document& doc, ObjectId header, cfb::Tree& tree) {
  const ObjectId meta = buildMetaDictionary(doc);
  // An object is a storage and its properties stream, often with an index stream.
  tree.entries.reserve(tree.entries.size() + doc.objects.size() * 3);
  tree.bytes.reserve(tree.bytes.size() + doc.objects.size() * 160);
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
