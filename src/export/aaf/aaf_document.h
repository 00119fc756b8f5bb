#pragma once
// An AAF object graph held in memory: objects of the model's classes with their
// properties already in stored form, strong references to child objects, and weak
// references by key. aaf_store turns it into the container. A session holds tens of
// thousands of objects, so the graph is a few flat lists linked by index, and every
// stored byte lies in one buffer.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
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

constexpr uint32_t kNone = 0xFFFFFFFF;

struct Property {
  const PropertyFact* fact = nullptr;
  Form form = Form::Data;
  uint16_t keyPid = 0;   // StrongSet: the pid of the children's key
  uint8_t keySize = 16;  // StrongSet and WeakVector: the size of every key
  uint32_t next = kNone;  // the object's next property, in the order they were set
  // In Document::bytes. Data and WeakRef: the stored bytes; WeakVector: the target prefix.
  uint32_t dataAt = 0, dataSize = 0;
  // StrongRef (one), StrongVector, StrongSet, WeakVector: the elements, in order.
  uint32_t firstElement = kNone, lastElement = kNone, elementCount = 0;
};

// A child object of a strong reference or collection (kNone in a weak vector) and,
// in sets and weak vectors, its key in Document::bytes. It also names where the child
// hangs, so that the store finds every object's place from this list alone.
struct Element {
  ObjectId object = kNone;
  uint32_t keyAt = 0;
  uint32_t next = kNone;
  ObjectId owner = kNone;  // kNone once a replaced reference dropped the child
  uint32_t index = kNone;  // the local key in a collection; kNone for a single reference
  const PropertyFact* fact = nullptr;
};

struct Object {
  const ClassFact* cls = nullptr;
  uint32_t firstProperty = kNone, lastProperty = kNone;
  uint16_t propertyCount = 0;
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

// The same for classes by the name's literal.
struct ClassLookup {
  const char* name = nullptr;
  const ClassFact* cls = nullptr;
};

struct Document {
  std::vector<Object> objects;
  std::vector<Property> properties;
  std::vector<Element> elements;
  std::string bytes;
  std::vector<WeakTarget> weakTargets;  // in first-use order
  std::array<PropertyLookup, 1024> lookups{};  // sizes of powers of two: a mask, not a division
  std::array<ClassLookup, 64> classLookups{};
  std::string now;  // the stored time stamp of the whole document, made at first use
};

// Empties doc, keeping its buffers.
void clearDocument(Document& doc);

// A new object of the named class; an unknown class name is a programming error and aborts.
ObjectId newObject(Document& doc, const char* className);
ObjectId newObject(Document& doc, const ClassFact& cls);

// The property of obj with these facts, added when obj has none yet.
Property& propertyOf(Document& doc, ObjectId obj, const PropertyFact& fact, Form form);
// Sets a Data or WeakRef property to the given stored bytes.
void setStored(Document& doc, Property& p, std::string_view bytes);
// Adds an element to the collection p of owner; key may be empty.
void appendElement(Document& doc, ObjectId owner, Property& p, ObjectId child, std::string_view key);

// Setters by property name; the class of obj (or an ancestor) must have the property.
void setBytes(Document& doc, ObjectId obj, const char* name, std::string_view bytes);
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
                    std::string_view key);
// An empty set still has its index, so readers find the property.
void setEmptyStrongSet(Document& doc, ObjectId obj, const char* name, uint16_t keyPid);
void setWeakRef(Document& doc, ObjectId obj, const char* name, WeakTarget target, const Auid& key);
// How a weak reference names its target set: the set's place in the "referenced
// properties" table, the key's pid and size.
std::string weakTargetPrefix(Document& doc, WeakTarget target);

// Values of indirect type: a type identifier in front of the value.
std::string indirectRational(int32_t num, int32_t den);
std::string indirectInt32(int32_t value);

// Little helpers shared with the store.
std::string utf16Z(std::string_view utf8);
void appendUtf16Z(std::string& out, std::string_view utf8);
std::string le16(uint16_t v);
std::string le32(uint32_t v);
std::string le64(uint64_t v);
std::string auidBytes(const Auid& a);

}  // namespace vn::aaf
