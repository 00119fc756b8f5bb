#pragma once
// An AAF object graph held in memory: objects of the model's classes with their
// properties already in stored form, strong references to child objects, and weak
// references by key. aaf_store turns it into the container.
#include <cstdint>
#include <string>
#include <vector>

#include "export/aaf/aaf_ids.h"
#include "export/aaf/aaf_model.h"

namespace vn::aaf {

using ObjectId = uint32_t;

// Stored forms of a property.
enum class Form : uint16_t {
  Data = 0x82,
  StrongRef = 0x22,
  StrongVector = 0x32,
  StrongSet = 0x3A,
  WeakRef = 0x02,
  WeakVector = 0x12,
};

struct Property {
  const PropertyFact* fact = nullptr;
  Form form = Form::Data;
  std::string data;                // Data and WeakRef: the stored bytes; WeakVector: the target prefix
  std::vector<ObjectId> children;  // StrongRef (one), StrongVector, StrongSet
  std::vector<std::string> keys;   // StrongSet: each child's key bytes; WeakVector: each target's key
  uint16_t keyPid = 0;             // StrongSet: the pid of the children's key
};

struct Object {
  const ClassFact* cls = nullptr;
  std::vector<Property> properties;
};

// The paths (pids from the root) of the sets weak references point into, in the
// order of the root's "referenced properties" stream.
enum class WeakTarget : uint16_t { ClassDefinitions, TypeDefinitions, DataDefinitions, OperationDefinitions,
                                   InterpolationDefinitions, ContainerDefinitions };

// A writer sets a few dozen kinds of property hundreds of thousands of times: the
// class and the name's literal find the property's facts without walking the class
// hierarchy again. A slot that holds another pair is simply replaced.
struct PropertyLookup {
  const ClassFact* cls = nullptr;
  const char* name = nullptr;
  const PropertyFact* fact = nullptr;
};

struct Document {
  std::vector<Object> objects;
  std::vector<WeakTarget> weakTargets;  // in first-use order
  std::vector<PropertyLookup> lookups = std::vector<PropertyLookup>(1024);
  std::string now;  // the stored time stamp of the whole document, made at first use
};

// A new object of the named class; an unknown class name is a programming error and aborts.
ObjectId newObject(Document& doc, const char* className);
ObjectId newObject(Document& doc, const ClassFact& cls);

// Setters by property name; the class of obj (or an ancestor) must have the property.
void setBytes(Document& doc, ObjectId obj, const char* name, std::string bytes);
void setString(Document& doc, ObjectId obj, const char* name, const std::string& utf8);
void setBool(Document& doc, ObjectId obj, const char* name, bool value);
void setUInt8(Document& doc, ObjectId obj, const char* name, uint8_t value);
void setInt16(Document& doc, ObjectId obj, const char* name, int16_t value);
void setUInt16(Document& doc, ObjectId obj, const char* name, uint16_t value);
void setInt32(Document& doc, ObjectId obj, const char* name, int32_t value);
void setUInt32(Document& doc, ObjectId obj, const char* name, uint32_t value);
void setInt64(Document& doc, ObjectId obj, const char* name, int64_t value);
void setRational(Document& doc, ObjectId obj, const char* name, int32_t num, int32_t den);
void setAuid(Document& doc, ObjectId obj, const char* name, const Auid& value);
void setMobId(Document& doc, ObjectId obj, const char* name, const MobId& value);
// Year, month, day, hour, minute, second of the UTC time of the document's first stamp.
void setNow(Document& doc, ObjectId obj, const char* name);

void setStrongRef(Document& doc, ObjectId obj, const char* name, ObjectId child);
void appendStrongVector(Document& doc, ObjectId obj, const char* name, ObjectId child);
// Sets are keyed by a property of the child: an AUID (16 bytes) or a MobID (32).
void addToStrongSet(Document& doc, ObjectId obj, const char* name, ObjectId child, uint16_t keyPid,
                    std::string key);
// An empty set still has its index, so readers find the property.
void setEmptyStrongSet(Document& doc, ObjectId obj, const char* name, uint16_t keyPid);
void setWeakRef(Document& doc, ObjectId obj, const char* name, WeakTarget target, const Auid& key);
// How a weak reference names its target set: the set's place in the "referenced
// properties" table, the key's pid and size.
std::string weakTargetPrefix(Document& doc, WeakTarget target);

// Values of indirect type: a type identifier in front of the value.
std::string indirectRational(int32_t num, int32_t den);
std::string indirectString(const std::string& utf8);
std::string indirectInt32(int32_t value);

// Little helpers shared with the store.
std::string utf16Z(const std::string& utf8);
std::string le16(uint16_t v);
std::string le32(uint32_t v);
std::string le64(uint64_t v);
std::string auidBytes(const Auid& a);

}  // namespace vn::aaf
