#include "export/aaf/aaf_store.h"

#include <algorithm>
#include <array>
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

// Storage names of properties and the class ids of objects, made once per writer.
struct StoreCache {
  std::unordered_map<const PropertyFact*, StoredName> names;
  std::unordered_map<const ClassFact*, cfb::Clsid> metaClsids;

  // The last name found for each slot of facts answers again without a hash lookup.
  std::array<std::pair<const PropertyFact*, const StoredName*>, 256> recent{};

  const StoredName& nameOf(const PropertyFact& fact, size_t size) {
    auto& slot = recent[(reinterpret_cast<uintptr_t>(&fact) >> 3) & (recent.size() - 1)];
    if (slot.first == &fact) return *slot.second;
    auto [it, added] = names.try_emplace(&fact);
    if (added) {
      it->second.plain = mangledName(fact.name, fact.pid, size);
      it->second.utf16 = utf16Z(it->second.plain);
      it->second.index = it->second.plain + " index";
    }
    slot = {&fact, &it->second};
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

// Where an object hangs: the object holding it, the holding property's name, and its
// local key in a collection (kNone for a single reference).
struct Owner {
  ObjectId object = kNone;
  uint32_t element = kNone;
  const StoredName* name = nullptr;
};

const StoredName& storedNameOf(StoreCache& cache, const Property& p) {
  return cache.nameOf(*p.fact, p.form == Form::StrongRef || p.form == Form::WeakVector ? 32 : 22);
}

// Every object's owner, from the list of references alone.
void findOwners(const Document& doc, StoreCache& cache, std::vector<Owner>& owners) {
  owners.assign(doc.objects.size(), Owner{});
  for (const Element& e : doc.elements) {
    if (e.object == kNone || e.owner == kNone) continue;
    const bool single = e.index == kNone;
    owners[e.object] = {e.owner, e.index, &cache.nameOf(*e.fact, single ? 32 : 22)};
  }
}

// Which objects the roots reach through their owners; objects a replaced reference
// left behind are not stored.
std::vector<bool> reachable(const std::vector<Owner>& owners, ObjectId meta, ObjectId header) {
  enum : uint8_t { kUnknown, kYes, kNo };
  std::vector<uint8_t> state(owners.size(), kUnknown);
  state[meta] = state[header] = kYes;
  std::vector<ObjectId> chain;
  for (ObjectId o = 0; o < owners.size(); ++o) {
    chain.clear();
    ObjectId at = o;
    while (state[at] == kUnknown && owners[at].object != kNone && chain.size() <= owners.size()) {
      chain.push_back(at);
      at = owners[at].object;
    }
    const uint8_t found = state[at] == kYes && chain.size() <= owners.size() ? kYes : kNo;
    if (state[at] == kUnknown) state[at] = kNo;
    for (ObjectId c : chain) state[c] = found;
  }
  std::vector<bool> out(owners.size());
  for (ObjectId o = 0; o < owners.size(); ++o) out[o] = state[o] == kYes;
  return out;
}

// The object's index streams and its properties stream.
void storeStreams(const Document& doc, ObjectId id, cfb::Tree& tree, uint32_t storage, StoreCache& cache) {
  const Object& o = doc.objects[id];
  for (uint32_t i = o.firstProperty; i != kNone; i = doc.properties[i].next) {
    const Property& p = doc.properties[i];
    if (p.form == Form::StrongVector || p.form == Form::StrongSet || p.form == Form::WeakVector)
      storeIndex(doc, p, tree, storage, storedNameOf(cache, p));
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
    const std::string_view stored = p.form == Form::Data || p.form == Form::WeakRef
                                        ? std::string_view(doc.bytes.data() + p.dataAt, p.dataSize)
                                        : std::string_view(storedNameOf(cache, p).utf16);
    putLeAt(stream, entryAt, p.fact->pid, 2);
    putLeAt(stream, entryAt + 2, static_cast<uint16_t>(p.form), 2);
    putLeAt(stream, entryAt + 4, stored.size(), 2);
    entryAt += 6;
    stream.append(stored);
  }
  cfb::addStreamOfTail(tree, storage, "properties", from);
}

}  // namespace

void storeDocument(Document& doc, ObjectId header, cfb::Tree& tree) {
  const ObjectId meta = buildMetaDictionary(doc);
  cfb::setClsid(tree, cfb::kRootId, auidFromText(kRootClass));
  const std::string metaName = "MetaDictionary-1", headerName = "Header-2";
  std::string entries = le16(0x0001) + le16(uint16_t(Form::StrongRef)) + le16(uint16_t(utf16Z(metaName).size())) +
                        le16(0x0002) + le16(uint16_t(Form::StrongRef)) + le16(uint16_t(utf16Z(headerName).size()));
  cfb::addStream(tree, cfb::kRootId, "properties",
                 std::string(1, char(0x4C)) + std::string(1, char(kPropertyVersion)) + le16(2) + entries +
                     utf16Z(metaName) + utf16Z(headerName));
  // Objects are stored in the order they were built, which is the order their
  // properties lie in memory: a walk from the roots would jump about the graph.
  StoreCache cache;
  std::vector<Owner> owners;
  findOwners(doc, cache, owners);
  const std::vector<bool> stored = reachable(owners, meta, header);
  std::vector<uint32_t> storageOf(doc.objects.size(), cfb::kRootId);
  char buffer[64];
  for (ObjectId o = 0; o < doc.objects.size(); ++o) {
    if (!stored[o]) continue;
    std::string_view name = o == meta ? metaName : headerName;
    if (o != meta && o != header) {
      const Owner& owner = owners[o];
      name = owner.element == kNone ? std::string_view(owner.name->plain) : elementName(owner.name->plain, owner.element, buffer);
    }
    storageOf[o] = cfb::addStorage(tree, cfb::kRootId, name, cache.clsidOf(*doc.objects[o].cls));
  }
  for (ObjectId o = 0; o < doc.objects.size(); ++o) {
    if (!stored[o] || o == meta || o == header) continue;
    tree.entries[storageOf[o]].parent = storageOf[owners[o].object];
  }
  for (ObjectId o = 0; o < doc.objects.size(); ++o)
    if (stored[o]) storeStreams(doc, o, tree, storageOf[o], cache);
  cfb::addStream(tree, cfb::kRootId, "referenced properties", referencedProperties(doc));
}

}  // namespace vn::aaf
