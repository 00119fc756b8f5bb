#include "core/json_value.h"

#include <cstring>
#include <new>

namespace vn {

static_assert(sizeof(JsonValue) == 16, "a JsonValue is meant to stay sixteen bytes");

namespace {

template <class T>
T* allocateBlock(size_t count) {
  return static_cast<T*>(::operator new(count * sizeof(T)));
}

template <class T>
T* moveIntoBlock(std::span<T> source) {
  T* block = allocateBlock<T>(source.size());
  for (size_t i = 0; i < source.size(); ++i) new (block + i) T(std::move(source[i]));
  return block;
}

template <class T>
T* copyIntoBlock(std::span<const T> source) {
  T* block = allocateBlock<T>(source.size());
  size_t built = 0;
  try {
    for (; built < source.size(); ++built) new (block + built) T(source[built]);
  } catch (...) {
    while (built > 0) block[--built].~T();
    ::operator delete(block);
    throw;
  }
  return block;
}

template <class T>
void destroyBlock(T* block, size_t count) {
  for (size_t i = 0; i < count; ++i) block[i].~T();
  ::operator delete(block);
}

}  // namespace

JsonValue::JsonValue(bool value) noexcept : kind_(JsonKind::Bool) { bytes_[0] = value ? 1 : 0; }

JsonValue::JsonValue(double value) noexcept : kind_(JsonKind::Number) {
  std::memcpy(bytes_, &value, sizeof value);
}

JsonValue::JsonValue(std::string_view text) { assignText(text); }

void JsonValue::assignText(std::string_view text) {
  kind_ = JsonKind::String;
  if (text.size() <= kInlineCapacity) {
    if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
    inlineLength_ = static_cast<uint8_t>(text.size());
    return;
  }
  char* heap = allocateBlock<char>(text.size());
  std::memcpy(heap, text.data(), text.size());
  setPointer(heap, static_cast<uint32_t>(text.size()));
  inlineLength_ = kHeapText;
}

JsonValue JsonValue::arrayOf(std::span<JsonValue> items) {
  JsonValue v;
  if (!items.empty()) v.setPointer(moveIntoBlock(items), static_cast<uint32_t>(items.size()));
  v.kind_ = JsonKind::Array;
  return v;
}

JsonValue JsonValue::objectOf(std::span<JsonMember> members) {
  JsonValue v;
  if (!members.empty()) v.setPointer(moveIntoBlock(members), static_cast<uint32_t>(members.size()));
  v.kind_ = JsonKind::Object;
  return v;
}

JsonValue::JsonValue(const JsonValue& other) { copyFrom(other); }

JsonValue::JsonValue(JsonValue&& other) noexcept { stealFrom(other); }

JsonValue& JsonValue::operator=(const JsonValue& other) {
  if (this != &other) {
    JsonValue copy(other);
    release();
    stealFrom(copy);
  }
  return *this;
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept {
  if (this != &other) {
    release();
    stealFrom(other);
  }
  return *this;
}

JsonValue::~JsonValue() { release(); }

void* JsonValue::pointer() const {
  void* p;
  std::memcpy(&p, bytes_, sizeof p);
  return p;
}

uint32_t JsonValue::count() const {
  uint32_t n;
  std::memcpy(&n, bytes_ + 8, sizeof n);
  return n;
}

void JsonValue::setPointer(const void* p, uint32_t n) {
  std::memcpy(bytes_, &p, sizeof p);
  std::memcpy(bytes_ + 8, &n, sizeof n);
}

void JsonValue::release() noexcept {
  switch (kind_) {
    case JsonKind::String:
      if (inlineLength_ == kHeapText) ::operator delete(pointer());
      break;
    case JsonKind::Array:
      if (count() > 0) destroyBlock(static_cast<JsonValue*>(pointer()), count());
      break;
    case JsonKind::Object:
      if (count() > 0) destroyBlock(static_cast<JsonMember*>(pointer()), count());
      break;
    default:
      break;
  }
  std::memset(bytes_, 0, sizeof bytes_);
  kind_ = JsonKind::Null;
  inlineLength_ = 0;
}

void JsonValue::copyFrom(const JsonValue& other) {
  if (other.kind_ == JsonKind::String) {
    assignText(other.text());
    return;
  }
  if (other.kind_ == JsonKind::Array && other.count() > 0) {
    setPointer(copyIntoBlock(other.items()), other.count());
  } else if (other.kind_ == JsonKind::Object && other.count() > 0) {
    setPointer(copyIntoBlock(other.members()), other.count());
  } else {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  }
  kind_ = other.kind_;
  inlineLength_ = other.inlineLength_;
}

void JsonValue::stealFrom(JsonValue& other) noexcept {
  std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  kind_ = other.kind_;
  inlineLength_ = other.inlineLength_;
  std::memset(other.bytes_, 0, sizeof other.bytes_);
  other.kind_ = JsonKind::Null;
  other.inlineLength_ = 0;
}

bool JsonValue::boolean() const { return kind_ == JsonKind::Bool && bytes_[0] != 0; }

double JsonValue::number() const {
  if (kind_ != JsonKind::Number) return 0.0;
  double v;
  std::memcpy(&v, bytes_, sizeof v);
  return v;
}

std::string_view JsonValue::text() const {
  if (kind_ != JsonKind::String) return {};
  if (inlineLength_ == kHeapText) return {static_cast<const char*>(pointer()), count()};
  return {reinterpret_cast<const char*>(bytes_), inlineLength_};
}

std::span<const JsonValue> JsonValue::items() const {
  if (kind_ != JsonKind::Array || count() == 0) return {};
  return {static_cast<const JsonValue*>(pointer()), count()};
}

std::span<const JsonMember> JsonValue::members() const {
  if (kind_ != JsonKind::Object || count() == 0) return {};
  return {static_cast<const JsonMember*>(pointer()), count()};
}

size_t JsonValue::size() const {
  switch (kind_) {
    case JsonKind::String:
      return text().size();
    case JsonKind::Array:
    case JsonKind::Object:
      return count();
    default:
      return 0;
  }
}

const JsonValue& jsonNull() {
  static const JsonValue null;
  return null;
}

const JsonValue& member(const JsonValue& object, std::string_view key) {
  for (const JsonMember& m : object.members())
    if (m.key.text() == key) return m.value;
  return jsonNull();
}

const JsonValue& element(const JsonValue& array, long long index) {
  std::span<const JsonValue> items = array.items();
  if (index < 0 || static_cast<unsigned long long>(index) >= items.size()) return jsonNull();
  return items[static_cast<size_t>(index)];
}

}  // namespace vn
