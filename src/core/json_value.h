#pragma once
// A parsed JSON value. Every document of the program (projects, recipes, trace
// files) is read into a tree of these, so the value is kept to sixteen bytes:
// numbers, booleans and strings of up to fourteen bytes live inline, and a longer
// string or a container owns one exactly sized heap block. A document of curves
// therefore costs no allocation per number.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vn {

enum class JsonKind : uint8_t { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonMember;

class JsonValue {
 public:
  JsonValue() noexcept = default;  // null
  explicit JsonValue(bool value) noexcept;
  explicit JsonValue(double value) noexcept;
  explicit JsonValue(std::string_view text);
  // Containers take their children by moving them out of the given range.
  static JsonValue arrayOf(std::span<JsonValue> items);
  static JsonValue objectOf(std::span<JsonMember> members);

  JsonValue(const JsonValue& other);
  JsonValue(JsonValue&& other) noexcept;
  JsonValue& operator=(const JsonValue& other);
  JsonValue& operator=(JsonValue&& other) noexcept;
  ~JsonValue();

  JsonKind kind() const { return kind_; }
  bool isNull() const { return kind_ == JsonKind::Null; }
  bool isBool() const { return kind_ == JsonKind::Bool; }
  bool isNumber() const { return kind_ == JsonKind::Number; }
  bool isString() const { return kind_ == JsonKind::String; }
  bool isArray() const { return kind_ == JsonKind::Array; }
  bool isObject() const { return kind_ == JsonKind::Object; }

  // Each accessor gives an empty or zero result for a value of another kind.
  bool boolean() const;
  double number() const;
  std::string_view text() const;
  std::span<const JsonValue> items() const;
  std::span<const JsonMember> members() const;
  // Items of an array, members of an object, bytes of a string; 0 otherwise.
  size_t size() const;

 private:
  static constexpr uint8_t kHeapText = 0xFF;
  static constexpr size_t kInlineCapacity = 14;

  void assignText(std::string_view text);
  void release() noexcept;
  void copyFrom(const JsonValue& other);
  void stealFrom(JsonValue& other) noexcept;
  void* pointer() const;
  uint32_t count() const;
  void setPointer(const void* p, uint32_t count);

  // Bytes 0-7 hold the number, the bool or the heap pointer, bytes 8-11 the count
  // of a heap block; an inline string uses bytes 0-13.
  alignas(8) unsigned char bytes_[kInlineCapacity] = {};
  JsonKind kind_ = JsonKind::Null;
  uint8_t inlineLength_ = 0;
};

struct JsonMember {
  JsonValue key;  // always a string
  JsonValue value;
};

// The shared immutable null that failed lookups return, so readers can chain them.
const JsonValue& jsonNull();
// The first member whose key equals key exactly, else the shared null.
const JsonValue& member(const JsonValue& object, std::string_view key);
// The element at index, else the shared null (also for a negative index).
const JsonValue& element(const JsonValue& array, long long index);

}  // namespace vn
