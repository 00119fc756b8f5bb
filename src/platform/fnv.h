#pragma once
// The program's 64-bit FNV-1a variant: the usual prime, but its own start value.
// Content fingerprints, multi-mono group keys, layout hashes and PCM hashes all use it.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vn {

constexpr uint64_t kFnvStart = 0x14650fb0739d0383ULL;
constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

inline uint64_t fnvFeed(uint64_t h, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    h ^= p[i];
    h *= kFnvPrime;
  }
  return h;
}

inline uint64_t fnvFeed(uint64_t h, std::string_view text) { return fnvFeed(h, text.data(), text.size()); }

// Feeds the eight bytes of v, least significant first.
inline uint64_t fnvFeedU64(uint64_t h, uint64_t v) {
  for (int i = 0; i < 8; ++i) {
    h ^= static_cast<unsigned char>(v >> (8 * i));
    h *= kFnvPrime;
  }
  return h;
}

}  // namespace vn
