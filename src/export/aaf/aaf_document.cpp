#include "export/aaf/aaf_document.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vn::aaf {

std::string le16(uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string le32(uint32_t v) { return le16(uint16_t(v & 0xFFFF)) + le16(uint16_t(v >> 16)); }
std::string le64(uint64_t v) { return le32(uint32_t(v & 0xFFFFFFFFu)) + le32(uint32_t(v >> 32)); }
std::string auidBytes(const Auid& a) { return std::string(a.begin(), a.end()); }

std::string utf16Z(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size() * 2 + 2);
  auto unit = [&](uint32_t u) { out += le16(static_cast<uint16_t>(u)); };
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
  return out;
}

ObjectId newObject(Document& doc, const ClassFact& cls) {
  doc.objects.push_back(Object{&cls, {}});
  doc.objects.back().properties.reserve(6);
  return static_cast<ObjectId>(doc.objects.size() - 1);
}

ObjectId newObject(Document& doc, const char* className) {
  const ClassFact* cls = findClass(className);
  if (!cls) {
    std::fprintf(stderr, "AAF object model has no class %s\n", className);
    std::abort();
  }
  return newObject(doc, *cls);
}

namespace {

Property& propertyOf(Document& doc, ObjectId obj, const char* name, Form form) {
  Object& o = doc.objects[obj];
  const auto hash = (reinterpret_cast<uintptr_t>(o.cls) >> 3) * 31 + (reinterpret_cast<uintptr_t>(name) >> 2);
  PropertyLookup& slot = doc.lookups[hash % doc.lookups.size()];
  if (slot.cls != o.cls || slot.name != name) slot = {o.cls, name, findProperty(*o.cls, name)};
  const PropertyFact* fact = slot.fact;
  if (!fact) {
    std::fprintf(stderr, "AAF class %s has no property %s\n", o.cls->name, name);
    std::abort();
  }
  for (Property& p : o.properties)
    if (p.fact == fact) return p;
  o.properties.push_back(Property{fact, form, {}, {}, {}, 0});
  return o.properties.back();
}

}  // namespace

void setBytes(Document& doc, ObjectId obj, const char* name, std::string bytes) {
  propertyOf(doc, obj, name, Form::Data).data = std::move(bytes);
}
void setString(Document& doc, ObjectId obj, const char* name, const std::string& utf8) {
  setBytes(doc, obj, name, utf16Z(utf8));
}
void setBool(Document& doc, ObjectId obj, const char* name, bool value) {
  setBytes(doc, obj, name, std::string(1, value ? '\1' : '\0'));
}
void setUInt8(Document& doc, ObjectId obj, const char* name, uint8_t value) {
  setBytes(doc, obj, name, std::string(1, static_cast<char>(value)));
}
void setInt16(Document& doc, ObjectId obj, const char* name, int16_t value) {
  setBytes(doc, obj, name, le16(static_cast<uint16_t>(value)));
}
void setUInt16(Document& doc, ObjectId obj, const char* name, uint16_t value) { setBytes(doc, obj, name, le16(value)); }
void setInt32(Document& doc, ObjectId obj, const char* name, int32_t value) {
  setBytes(doc, obj, name, le32(static_cast<uint32_t>(value)));
}
void setUInt32(Document& doc, ObjectId obj, const char* name, uint32_t value) { setBytes(doc, obj, name, le32(value)); }
void setInt64(Document& doc, ObjectId obj, const char* name, int64_t value) {
  setBytes(doc, obj, name, le64(static_cast<uint64_t>(value)));
}
void setRational(Document& doc, ObjectId obj, const char* name, int32_t num, int32_t den) {
  setBytes(doc, obj, name, le32(static_cast<uint32_t>(num)) + le32(static_cast<uint32_t>(den)));
}
void setAuid(Document& doc, ObjectId obj, const char* name, const Auid& value) {
  setBytes(doc, obj, name, auidBytes(value));
}
void setMobId(Document& doc, ObjectId obj, const char* name, const MobId& value) {
  setBytes(doc, obj, name, std::string(value.begin(), value.end()));
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
  propertyOf(doc, obj, name, Form::StrongRef).children = {child};
}
void appendStrongVector(Document& doc, ObjectId obj, const char* name, ObjectId child) {
  propertyOf(doc, obj, name, Form::StrongVector).children.push_back(child);
}
void addToStrongSet(Document& doc, ObjectId obj, const char* name, ObjectId child, uint16_t keyPid,
                    std::string key) {
  Property& p = propertyOf(doc, obj, name, Form::StrongSet);
  p.keyPid = keyPid;
  p.children.push_back(child);
  p.keys.push_back(std::move(key));
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
  std::string data = weakTargetPrefix(doc, target) + auidBytes(key);
  propertyOf(doc, obj, name, Form::WeakRef).data = std::move(data);
}

namespace {
std::string indirect(const Auid& type, const std::string& value) {
  return std::string(1, char(0x4C)) + auidBytes(type) + value;
}
const Auid kRationalType = auidFromText("03010100-0000-0000-060e-2b3401040101");
const Auid kStringType = auidFromText("01100200-0000-0000-060e-2b3401040101");
const Auid kInt32Type = auidFromText("01010700-0000-0000-060e-2b3401040101");
}  // namespace

std::string indirectRational(int32_t num, int32_t den) {
  return indirect(kRationalType, le32(static_cast<uint32_t>(num)) + le32(static_cast<uint32_t>(den)));
}
std::string indirectString(const std::string& utf8) { return indirect(kStringType, utf16Z(utf8)); }
std::string indirectInt32(int32_t value) { return indirect(kInt32Type, le32(static_cast<uint32_t>(value))); }

}  // namespace vn::aaf
