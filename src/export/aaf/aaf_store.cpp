#include "export/aaf/aaf_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// How a property that names storages or streams appears: its storage name, that name
// as the stored UTF-16 value, and its index stream's name.
struct StoredName {
  std::string plain, utf16, index;
};

void putLe(std::string& out, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putLeAt(std::string& out, size_t at, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Storage names of properties and the class ids of objects, made once per writer, and
// the children still to be stored.
struct StoreCache {
  std::vector<PendingChild> pending;
  std::unordered_map<const PropertyFact*, StoredName> names;
  std::unordered_map<const ClassFact*, cfb::Clsid> metaClsids;

  const StoredName& nameOf(const PropertyFact& fact, size_t size) {
    auto [it, added] = names.try_emplace(&fact);
    if (added) {
      it->second.plain = mangledName(fact.name, fact.pid, size);
      it->second.utf16 = utf16Z(it->second.plain);
      it->second.index = it->second.plain + " index";
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

// "Name{1f}": a collection element's storage name.
std::string_view elementName(const std::string& indexName, uint32_t k, char (&buffer)[64]) {
  static const char kHex[] = "0123456789abcdef";
  char digits[8];
  int n = 0;
  do digits[n++] = kHex[k & 0xF], k >>= 4;
  while (k);
  size_t at = std::min(indexName.size(), sizeof buffer - 10);
  std::memcpy(buffer, indexName.data(), at);
  buffer[at++] = '{';
  while (n) buffer[at++] = digits[--n];
  buffer[at++] = '}';
  return std::string_view(buffer, at);
}

// A collection's index stream, straight into the tree's bytes.
void storeIndex(const Document& doc, const Property& p, cfb::Tree& tree, uint32_t storage, const StoredName& named) {
  std::string& out = tree.bytes;
  const size_t from = out.size();
  if (p.form == Form::WeakVector) {
    putLe(out, p.elementCount, 4);
    out.append(doc.bytes, p.dataAt, p.dataSize);
    for (uint32_t e = p.firstElement; e != kNone; e = doc.elements[e].next)
      out.append(doc.bytes, doc.elements[e].keyAt, p.keySize);
  } else {
    putLe(out, p.elementCount, 4);
    putLe(out, p.elementCount, 4);
    putLe(out, 0xFFFFFFFFu, 4);
    const bool set = p.form == Form::StrongSet;
    if (set) {
      putLe(out, p.keyPid, 2);
      out.push_back(static_cast<char>(p.keySize));
    }
    uint32_t k = 0;
    for (uint32_t e = p.firstElement; e != kNone; e = doc.elements[e].next, ++k) {
      putLe(out, k, 4);
      if (!set) continue;
      putLe(out, 1, 4);
      out.append(doc.bytes, doc.elements[e].keyAt, p.keySize);
    }
  }
  cfb::addStreamOfTail(tree, storage, named.index, from);
}

void storeObject(const Document& doc, ObjectId id, cfb::Tree& tree, uint32_t parent, std::string_view name,
                 StoreCache& cache) {
  const Object& o = doc.objects[id];
  const uint32_t storage = cfb::addStorage(tree, parent, name, cache.clsidOf(*o.cls));
  // The children wait on one stack shared by the whole walk, so an object costs no
  // list of its own. Index streams come first: each stream's bytes are contiguous.
  const size_t firstChild = cache.pending.size();
  for (uint32_t i = o.firstProperty; i != kNone; i = doc.properties[i].next) {
    const Property& p = doc.properties[i];
    switch (p.form) {
      case Form::Data:
      case Form::WeakRef: break;
      case Form::StrongRef:
        cache.pending.push_back({doc.elements[p.firstElement].object, &cache.nameOf(*p.fact, 32).plain, -1});
        break;
      case Form::WeakVector: storeIndex(doc, p, tree, storage, cache.nameOf(*p.fact, 32)); break;
      case Form::StrongVector:
      case Form::StrongSet: {
        const StoredName& named = cache.nameOf(*p.fact, 22);
        storeIndex(doc, p, tree, storage, named);
        int64_t k = 0;
        for (uint32_t e = p.firstElement; e != kNone; e = doc.elements[e].next)
          cache.pending.push_back({doc.elements[e].object, &named.plain, k++});
        break;
      }
    }
  }

  std::string& stream = tree.bytes;
  const size_t from = stream.size();
  stream.push_back(char(0x4C));
  stream.push_back(char(kPropertyVersion));
  putLe(stream, o.propertyCount, 2);
  size_t entryAt = stream.size();
  stream.resize(entryAt + size_t(o.propertyCount) * 6);
  for (uint32_t i = o.firstProperty; i != kNone; i = doc.properties[i].next) {
    const Property& p = doc.properties[i];
    std::string_view stored;
    if (p.form == Form::Data || p.form == Form::WeakRef) {
      stored = std::string_view(doc.bytes).substr(p.dataAt, p.dataSize);
    } else {
      stored = cache.nameOf(*p.fact, p.form == Form::StrongRef || p.form == Form::WeakVector ? 32 : 22).utf16;
    }
    putLeAt(stream, entryAt, p.fact->pid, 2);
    putLeAt(stream, entryAt + 2, static_cast<uint16_t>(p.form), 2);
    putLeAt(stream, entryAt + 4, stored.size(), 2);
    entryAt += 6;
    stream.append(stored);
  }
  cfb::addStreamOfTail(tree, storage, "properties", from);

  const size_t endChild = cache.pending.size();
  char buffer[64];
  for (size_t c = firstChild; c < endChild; ++c) {
    const PendingChild child = cache.pending[c];
    storeObject(doc, child.id, tree, storage,
                child.element < 0 ? std::string_view(*child.name) : elementName(*child.name, uint32_t(child.element), buffer),
                cache);
  }
  cache.pending.resize(firstChild);
}

}  // namespace

void storeDocument(Document& doc, ObjectId header, cfb::Tree& tree) {
  const ObjectId meta = buildMetaDictionary(doc);
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
