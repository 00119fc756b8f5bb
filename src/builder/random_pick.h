#pragma once
// The build's random generator: a 32-bit linear congruential generator whose
// uniform value is (state >> 16) / 65535, and the score-weighted pick.
#include <cstdint>
#include <span>
#include <vector>

namespace vn {

struct ScoredCandidate;

inline uint32_t lcgAdvance(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return state;
}
inline float lcgUniform(uint32_t state) { return static_cast<float>(state >> 16) / 65535.0f; }
// Advances the state and gives its uniform value 0..1.
inline float nextUniform(uint32_t& state) { return lcgUniform(lcgAdvance(state)); }

// The start state of a build: the current time in seconds (low 32 bits) xor the
// caller's seed, so that the same seed within the same second repeats a build.
uint32_t buildSeedState(int64_t nowSeconds, uint32_t seed);

// Index of the entry whose running sum of scores first reaches u × total; the
// first entry when none does or when the total is not positive.
size_t pickByRunningSum(std::span<const float> scores, float u);

// Advances the state once and picks from a ranked list (best first).
size_t pickWeighted(std::span<const ScoredCandidate> ranked, uint32_t& state);

}  // namespace vn
