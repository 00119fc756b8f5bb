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
constexpr uint64_t fnvPrimePower(uint64_t n) {
  uint64_t result = 1, base = kFnvPrime;
  for (; n != 0; n >>= 1) {
    if (n & 1) result *= base;
    base *= base;
  }
  return result;
}

// One 32-bit sample, least significant byte first.
inline uint64_t fnvFeedSample(uint64_t h, int32_t sample) {
  const uint32_t v = static_cast<uint32_t>(sample);
  h = (h ^ (v & 0xff)) * kFnvPrime;
  h = (h ^ ((v >> 8) & 0xff)) * kFnvPrime;
  h = (h ^ ((v >> 16) & 0xff)) * kFnvPrime;
  return (h ^ (v >> 24)) * kFnvPrime;
}

constexpr uint64_t kFnvPrime4 = kFnvPrime * kFnvPrime * kFnvPrime * kFnvPrime;  // one silent sample

// Feeds 32-bit samples. A run of silent samples is one multiplication by a power
// of the prime instead of four per sample, which matters for delivered tracks that
// are mostly silence.
inline uint64_t fnvFeedSamples(uint64_t h, const int32_t* samples, size_t count) {
  size_t i = 0;
  while (i < count) {
    if (samples[i] == 0) {
      size_t end = i + 1;
      while (end < count && samples[end] == 0) ++end;
      h *= end - i == 1 ? kFnvPrime4 : fnvPrimePower(4 * (end - i));
      i = end;
      continue;
    }
    h = fnvFeedSample(h, samples[i++]);
  }
  return h;
}

constexpr int kFnvMaxLanes = 4;

namespace fnv_detail {

constexpr size_t kBlock = 64;

inline bool silent(const int32_t* samples, size_t count) {
  int32_t any = 0;
  for (size_t i = 0; i < count; ++i) any |= samples[i];
  return any == 0;
}

// N streams side by side: independent chains of multiplications interleave.
template <int N>
inline void denseLanes(uint64_t* const* h, const int32_t* const* samples, size_t count) {
  uint64_t x[N];
  for (int k = 0; k < N; ++k) x[k] = *h[k];
  for (size_t i = 0; i < count; ++i)
    for (int k = 0; k < N; ++k) x[k] = fnvFeedSample(x[k], samples[k][i]);
  for (int k = 0; k < N; ++k) *h[k] = x[k];
}

}  // namespace fnv_detail

// Feeds `count` samples of each of `lanes` streams (at most kFnvMaxLanes) into
// hashes[k], exactly as fnvFeedSamples would one stream at a time. One stream's
// hash is a chain of dependent multiplications; several side by side keep the
// multiplier busy. A silent block of a stream costs it one multiplication.
inline void fnvFeedSampleLanes(uint64_t* hashes, const int32_t* const* samples, int lanes, size_t count) {
  using namespace fnv_detail;
  constexpr uint64_t kSilentBlock = fnvPrimePower(4 * kBlock);
  size_t at = 0;
  for (; at + kBlock <= count; at += kBlock) {
    uint64_t* dense[kFnvMaxLanes];
    const int32_t* from[kFnvMaxLanes];
    int n = 0;
    for (int k = 0; k < lanes; ++k) {
      if (silent(samples[k] + at, kBlock)) {
        hashes[k] *= kSilentBlock;
        continue;
      }
      dense[n] = &hashes[k];
      from[n++] = samples[k] + at;
    }
    switch (n) {
      case 1: denseLanes<1>(dense, from, kBlock); break;
      case 2: denseLanes<2>(dense, from, kBlock); break;
      case 3: denseLanes<3>(dense, from, kBlock); break;
      case 4: denseLanes<4>(dense, from, kBlock); break;
      default: break;
    }
  }
  for (int k = 0; k < lanes; ++k) hashes[k] = fnvFeedSamples(hashes[k], samples[k] + at, count - at);
}

}  // namespace vn
