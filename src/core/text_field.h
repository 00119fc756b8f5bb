#pragma once
// Fixed-capacity text fields keep at most capacity - 1 bytes, as a zero-terminated
// buffer of that capacity would.
#include <cstddef>
#include <string>
#include <string_view>

namespace vn {

inline std::string cutText(std::string_view text, size_t capacity) {
  if (capacity == 0) return {};
  return std::string(text.substr(0, capacity - 1));
}

namespace cap {
constexpr size_t kEventKeywords = 256;
constexpr size_t kPinnedFile = 512;
constexpr size_t kFolder = 64;
constexpr size_t kLibFilter = 512;
constexpr size_t kPresetName = 64;
constexpr size_t kSceneName = 64;
constexpr size_t kSceneKeywords = 128;
constexpr size_t kBusName = 32;
constexpr size_t kSlotLabel = 24;
constexpr size_t kShapeName = 64;
constexpr size_t kShapeKeywords = 256;
}  // namespace cap

}  // namespace vn
