#include "builder/random_pick.h"

#include "builder/ranking.h"

namespace vn {

uint32_t buildSeedState(int64_t nowSeconds, uint32_t seed) {
  return static_cast<uint32_t>(static_cast<uint64_t>(nowSeconds)) ^ seed;
}

size_t pickByRunningSum(std::span<const float> scores, float u) {
  float total = 0.0f;
  for (float s : scores) total += s;
  if (scores.size() < 2 || !(total > 0.0f)) return 0;
  const float r = u * total;
  float run = 0.0f;
  for (size_t i = 0; i < scores.size(); ++i) {
    run += scores[i];
    if (run >= r) return i;
  }
  return 0;
}

size_t pickWeighted(std::span<const ScoredCandidate> ranked, uint32_t& state) {
  const float u = nextUniform(state);
  std::vector<float> scores;
  scores.reserve(ranked.size());
  for (const auto& c : ranked) scores.push_back(c.score);
  return pickByRunningSum(scores, u);
}

}  // namespace vn
