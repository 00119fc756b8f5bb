#include "export/aaf/aaf_document.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vn::aaf {

std::string le16(uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string le32(uint32_t v) { return le16(uint16_t(v & 0xFFFF)) + le16(uint16_t(v >> 16)); }
std::string le64(uint64_t v) { return le32(uint32_t(v & 0xFFFFFFFFu)) + le32(uint32_t(v >> 32)); }
std::string auidBytes(const Auid& a) { return std::string(a.begin(), a.end()); }

void appendUtf16Z(std::string& out, std::string_view utf8) {
  // Names are nearly always ASCII: those are widened in one go.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    const size_t at = out.size();
    out.resize(at + utf8.size() * 2 + 2, '\0');
    for (size_t i = 0; i < utf8.size(); ++i) out[at + i * 2] = utf8[i];
    return;
  }
  auto unit = [&](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>((u >> 8) & 0xFF));
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) cp = c;
    else if ((c >> 5) == 6) cp = c & 0x1F, len = 2;
    else if ((c >> 4) == 14) cp = c & 0x0F, len = 3;
    else if ((c >> 3) == 30) cp = c & 0x07, len = 4;
    if (len > 1) {
      if (i + len > utf8.size()) {
        cp = 0xFFFD, len = 1;
      } else {
        for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  unit(0);
}

std::string utf16Z(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2 + 2);
  appendUtf16Z(out, utf8);
  return out;
}

void clearDocument(Document& doc) {
  doc.objects.clear();
  doc.properties.clear();
  doc.elements.clear();
  doc.bytes.clear();
  doc.weakTargets.clear();
  doc.now.clear();
}

ObjectId newObject(Document& doc, const ClassFact& cls) {
  doc.objects.push_back(Object{&cls, kNone, kNone, 0});
  return static_cast<ObjectId>(doc.objects.size() - 1);
}

ObjectId newObject(Document& doc, const char* className) {
  ClassLookup& slot = doc.classLookups[(reinterpret_cast<uintptr_t>(className) >> 2) & (doc.classLookups.size() - 1)];
  if (slot.name != className) slot = {className, findClass(className)};
  const ClassFact* cls = slot.cls;
  if (!cls) {
    std::fprintf(stderr, "AAF object model has no class %s\n", className);
    std::abort();
  }
  return newObject(doc, *cls);
}

Property& propertyOf(Document& doc, ObjectId obj, const PropertyFact& fact, Form form) {
  for (uint32_t i = doc.objects[obj].firstProperty; i != kNone; i = doc.properties[i].next)
    if (doc.properties[i].fact == &fact) return doc.properties[i];
  const auto index = static_cast<uint32_t>(doc.properties.size());
  doc.properties.push_back(Property{&fact, form});
  Object& o = doc.objects[obj];
  (o.lastProperty == kNone ? o.firstProperty : doc.properties[o.lastProperty].next) = index;
  o.lastProperty = index;
  ++o.propertyCount;
  return doc.properties.back();
}

void setStored(Document& doc, Property& p, std::string_view bytes) {
  p.dataAt = static_cast<uint32_t>(doc.bytes.size());
  p.dataSize = static_cast<uint32_t>(bytes.size());
  doc.bytes.append(bytes);
}

void appendElement(Document& doc, ObjectId owner, Property& p, ObjectId child, std::string_view key) {
  const auto index = static_cast<uint32_t>(doc.elements.size());
  doc.elements.push_back(Element{child, static_cast<uint32_t>(doc.bytes.size()), kNone, owner,
                                 p.form == Form::StrongRef ? kNone : p.elementCount, p.fact});
  doc.bytes.append(key);
  if (!key.empty()) p.keySize = static_cast<uint8_t>(key.size());
  (p.lastElement == kNone ? p.firstElement : doc.elements[p.lastElement].next) = index;
  p.lastElement = index;
  ++p.elementCount;
}

namespace {

Property& propertyOf(Document& doc, ObjectId obj, const char* name, Form form) {
  const ClassFact* cls = doc.objects[obj].cls;
  // Multiplicative hashing: the top bits of the product mix every bit of both pointers.
  const uint64_t hash = (reinterpret_cast<uintptr_t>(cls) * 0x9E3779B97F4A7C15ull) ^
                        (reinterpret_cast<uintptr_t>(name) * 0xC2B2AE3D27D4EB4Full);
  PropertyLookup& slot = doc.lookups[(hash >> 54) & (doc.lookups.size() - 1)];
  if (slot.cls != cls || slot.name != name) slot = {cls, name, findProperty(*cls, name)};
  if (!slot.fact) {
    std::fprintf(stderr, "AAF class %s has no property %s\n", cls->name, name);
    std::abort();
  }
  return propertyOf(doc, obj, *slot.fact, form);
}

// Room for a Data property's size bytes, to be filled in.
char* storedSpace(Document& doc, ObjectId obj, const char* name, size_t size) {
  Property& p = propertyOf(doc, obj, name, Form::Data);
  p.dataAt = static_cast<uint32_t>(doc.bytes.size());
  p.dataSize = static_cast<uint32_t>(size);
  doc.bytes.resize(doc.bytes.size() + size);
  return doc.bytes.data() + p.dataAt;
}

void putLittleEndian(char* at, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

void setBytes(Document& doc, ObjectId obj, const char* name, std::string_view bytes) {
  setStored(doc, propertyOf(doc, obj, name, Form::Data), bytes);
}
void setString(Document& doc, ObjectId obj, const char* name, const std::string& utf8) {
  Property& p = propertyOf(doc, obj, name, Form::Data);
  p.dataAt = static_cast<uint32_t>(doc.bytes.size());
  appendUtf16Z(doc.bytes, utf8);
  p.dataSize = static_cast<uint32_t>(doc.bytes.size() - p.dataAt);
}
void setBool(Document& doc, ObjectId obj, const char* name, bool value) {
  *storedSpace(doc, obj, name, 1) = value ? '\1' : '\0';
}
void setUInt8(Document& doc, ObjectId obj, const char* name, uint8_t value) {
  *storedSpace(doc, obj, name, 1) = static_cast<char>(value);
}
void setInt16(Document& doc, ObjectId obj, const char* name, int16_t value) {
  putLittleEndian(storedSpace(doc, obj, name, 2), static_cast<uint16_t>(value), 2);
}
void setUInt16(Document& doc, ObjectId obj, const char* name, uint16_t value) {
  putLittleEndian(storedSpace(doc, obj, name, 2), value, 2);
}
void setInt32(Document& doc, ObjectId obj, const char* name, int32_t value) {
  putLittleEndian(storedSpace(doc, obj, name, 4), static_cast<uint32_t>(value), 4);
}
void setUInt32(Document& doc, ObjectId obj, const char* name, uint32_t value) {
  putLittleEndian(storedSpace(doc, obj, name, 4), value, 4);
}
void setInt64(Document& doc, ObjectId obj, const char* name, int64_t value) {
  putLittleEndian(storedSpace(doc, obj, name, 8), static_cast<uint64_t>(value), 8);
}
void setRational(Document& doc, ObjectId obj, const char* name, int32_t num, int32_t den) {
  char* at = storedSpace(doc, obj, name, 8);
  putLittleEndian(at, static_cast<uint32_t>(num), 4);
  putLittleEndian(at + 4, static_cast<uint32_t>(den), 4);
}
void setAuid(Document& doc, ObjectId obj, const char* name, const Auid& value) {
  std::memcpy(storedSpace(doc, obj, name, value.size()), value.data(), value.size());
}
void setMobId(Document& doc, ObjectId obj, const char* name, const MobId& value) {
  std::memcpy(storedSpace(doc, obj, name, value.size()), value.data(), value.size());
}
void setNow(Document& doc, ObjectId obj, const char* name) {
  if (doc.now.empty()) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    gmtime_r(&now, &t);
    doc.now = le16(static_cast<uint16_t>(t.tm_year + 1900));
    for (int v : {t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0}) doc.now.push_back(static_cast<char>(v));
  }
  setBytes(doc, obj, name, doc.now);
}

void setStrongRef(Document& doc, ObjectId obj, const char* name, ObjectId child) {
  Property& p = propertyOf(doc, obj, name, Form::StrongRef);
  if (p.firstElement != kNone) doc.elements[p.firstElement].owner = kNone;
  p.firstElement = p.lastElement = kNone;
  p.elementCount = 0;
  appendElement(doc, obj, p, child, {});
}
void appendStrongVector(Document& doc, ObjectId obj, const char* name, ObjectId child) {
  appendElement(doc, obj, propertyOf(doc, obj, name, Form::StrongVector), child, {});
}
void addToStrongSet(Document& doc, ObjectId obj, const char* name, ObjectId child, uint16_t keyPid,
                    std::string_view key) {
  Property& p = propertyOf(doc, obj, name, Form::StrongSet);
  p.keyPid = keyPid;
  appendElement(doc, obj, p, child, key);
}
void setEmptyStrongSet(Document& doc, ObjectId obj, const char* name, uint16_t keyPid) {
  propertyOf(doc, obj, name, Form::StrongSet).keyPid = keyPid;
}

std::string weakTargetPrefix(Document& doc, WeakTarget target) {
  auto it = std::find(doc.weakTargets.begin(), doc.weakTargets.end(), target);
  const auto index = static_cast<uint16_t>(it - doc.weakTargets.begin());
  if (it == doc.weakTargets.end()) doc.weakTargets.push_back(target);
  const bool meta = target == WeakTarget::ClassDefinitions || target == WeakTarget::TypeDefinitions;
  const uint16_t keyPid = meta ? 0x0005 : 0x1B01;
  return le16(index) + le16(keyPid) + std::string(1, char(16));
}

void setWeakRef(Document& doc, ObjectId obj, const char* name, WeakTarget target, const Auid& key) {
  const std::string prefix = weakTargetPrefix(doc, target);
  Property& p = propertyOf(doc, obj, name, Form::WeakRef);
  p.dataAt = static_cast<uint32_t>(doc.bytes.size());
  p.dataSize = static_cast<uint32_t>(prefix.size() + key.size());
  doc.bytes += prefix;
  doc.bytes.append(key.begin(), key.end());
}

namespace {
std::string indirect(const Auid& type, const std::string& value) {
  std::string out(1, char(0x4C));
  out.append(type.begin(), type.end());
  return out += value;
}
const Auid kRationalType = auidFromText("03010100-0000-0000-060e-2b3401040101");
const Auid kInt32Type = auidFromText("01010700-0000-0000-060e-2b3401040101");
}  // namespace

std::string indirectRational(int32_t num, int32_t den) {
  return indirect(kRationalType, le32(static_cast<uint32_t>(num)) + le32(static_cast<uint32_t>(den)));
}
std::string indirectInt32(int32_t value) { return indirect(kInt32Type, le32(static_cast<uint32_t>(value))); }

}  // namespace vn::aaf
