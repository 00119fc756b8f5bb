#pragma once
// What the fold planner knows of each layer: its time span, its five-band
// spectral shares (from the library analysis of its source), a spectral class,
// hero and transient character, and the user's fold pins.
//
// Separability of two sounds is the Euclidean distance of their five band
// shares, plus 0.5 when their spectral classes differ: sounds with the same
// balance of sub, low, mid, bright and air energy are the hardest to tell apart
// once mixed. The spectral class is the band-share centroid (0 = sub .. 4 = air)
// cut into low (below 1.5), mid (up to 2.5) and high.
#include <array>
#include <cstdint>
#include <vector>

#include "core/session.h"

namespace vn {

constexpr float kFoldTimeTolerance = 0.0001f;
constexpr float kTransientSeconds = 0.75f;
constexpr float kTransientSourceSeconds = 0.5f;  // a "transient" file in the library's length character

struct FoldTraits {
  float start = 0.0f;
  float end = 0.0f;
  std::array<float, 5> shares{};  // normalised (the builder's band shares), 0.2 each when unknown
  int spectralClass = 1;          // 0 low, 1 mid, 2 high
  bool hero = false;
  bool transient = false;
  int eventIdx = -1;
  int foldPin = 0;
  int foldTarget = -1;
  uint32_t id = 0;
  int fmt = 1;
};

// Timeline start of a layer as rendered (its start plus the deconfliction offset).
float deliveryStart(const Layer& layer);
FoldTraits foldTraitsOf(const Session& session, const Layer& layer);
int spectralClassOf(const std::array<float, 5>& shares);
float spectralDistance(const std::array<float, 5>& a, const std::array<float, 5>& b);
float separability(const std::array<float, 5>& a, int classA, const std::array<float, 5>& b, int classB);

}  // namespace vn
