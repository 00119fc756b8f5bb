#include "export/pcm24.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vn {

namespace {

constexpr float kFullScale = 8388607.0f;  // 2^23 - 1
constexpr size_t kBlock = 256;

int32_t roundOne(float v) {
  const float held = v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
  return std::fabs(v) <= FLT_MAX ? static_cast<int32_t>(std::lrintf(held * kFullScale)) : 0;
}

// Rounds a block; the vector form relies on the processor's default rounding (to
// nearest, ties to even), the same as lrintf's.
void roundBlock(const float* in, size_t n, int32_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128 lo = _mm_set1_ps(-1.0f), hi = _mm_set1_ps(1.0f), scale = _mm_set1_ps(kFullScale);
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)), largest = _mm_set1_ps(FLT_MAX);
  for (; i + 4 <= n; i += 4) {
    const __m128 v = _mm_loadu_ps(in + i);
    const __m128 finite = _mm_cmple_ps(_mm_and_ps(v, magnitude), largest);  // false for NaN and infinities
    const __m128 held = _mm_and_ps(_mm_min_ps(_mm_max_ps(v, lo), hi), finite);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_cvtps_epi32(_mm_mul_ps(held, scale)));
  }
#endif
  for (; i < n; ++i) out[i] = roundOne(in[i]);
}

}  // namespace

void encodePcm24(const float* in, size_t count, int channel, int channels, unsigned char* out) {
  int32_t rounded[kBlock];
  const size_t stride = static_cast<size_t>(channels) * 3;
  unsigned char* to = out + static_cast<size_t>(channel) * 3;
  for (size_t at = 0; at < count; at += kBlock) {
    const size_t n = count - at < kBlock ? count - at : kBlock;
    roundBlock(in + at, n, rounded);
    for (size_t i = 0; i < n; ++i, to += stride) {
      const auto s = static_cast<uint32_t>(rounded[i]);
      to[0] = static_cast<unsigned char>(s);
      to[1] = static_cast<unsigned char>(s >> 8);
      to[2] = static_cast<unsigned char>(s >> 16);
    }
  }
}

}  // namespace vn
