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

// p^n modulo 2^64: feeding n zero bytes multiplies the hash by it.
inline uint64_t fnvPrimePower(uint64_t n) {
  uint64_t result = 1, base = kFnvPrime;
  for (; n != 0; n >>= 1) {
    if (n & 1) result *= base;
    base *= base;
  }
  return result;
}

// Feeds 32-bit samples, each least significant byte first. A run of silent samples
// is one multiplication by a power of the prime instead of four per sample, which
// matters for delivered tracks that are mostly silence.
inline uint64_t fnvFeedSamples(uint64_t h, const int32_t* samples, size_t count) {
  constexpr uint64_t kPrime4 = kFnvPrime * kFnvPrime * kFnvPrime * kFnvPrime;
  size_t i = 0;
  while (i < count) {
    if (samples[i] == 0) {
      size_t end = i + 1;
      while (end < count && samples[end] == 0) ++end;
      h *= end - i == 1 ? kPrime4 : fnvPrimePower(4 * (end - i));
      i = end;
      continue;
    }
    const uint32_t v = static_cast<uint32_t>(samples[i++]);
    h = (h ^ (v & 0xff)) * kFnvPrime;
    h = (h ^ ((v >> 8) & 0xff)) * kFnvPrime;
    h = (h ^ ((v >> 16) & 0xff)) * kFnvPrime;
    h = (h ^ (v >> 24)) * kFnvPrime;
  }
  return h;
}

}  // namespace vn
