#pragma once
// Fold planning for one bus: while more of its units (layers, or comps counted
// as one) overlap than it has tracks, the pair that is hardest to tell apart and
// overlaps most at the busiest instant is folded together.
#include <vector>

#include "export/delivery_fit.h"
#include "export/delivery_traits.h"

namespace vn {

constexpr int kMaxFoldRounds = 4096;
constexpr float kSpectralMergeLimit = 0.3f;

struct FoldUnit {
  std::vector<int> members;  // layer indices; one for a plain layer
  bool comp = false;
  FoldReason reason = FoldReason::SpectralMerge;
  float start = 0.0f, end = 0.0f;
  std::array<float, 5> shares{};  // mean of the members' shares
  int spectralClass = 1;          // the first member's
  bool hero = false;              // the first member's
  bool transient = false;         // the first member's
  int eventIdx = -1;              // shared by every member, else -1
  bool preferFold = false;        // any member pinned "prefer folding"
  int fmt = 1;                    // widest member format
};

struct BusFoldPlan {
  std::vector<FoldUnit> units;  // what remains to place, comps included
  std::vector<int> notFitting;  // layer indices given up at an instant no pair could relieve
  int rounds = 0;
};

FoldUnit singleUnit(int layer, const FoldTraits& traits);
// Folds other into `into` (which becomes a comp if it was not one); the reason
// is the most desperate strategy that ever added to the comp.
void foldInto(FoldUnit& into, const FoldUnit& other, FoldReason reason);
// Active at t: start <= t + tolerance < end.
bool unitActiveAt(const FoldUnit& unit, float t);
// The most units active at one instant, and that instant (the earliest such unit start).
int peakOverlap(const std::vector<FoldUnit>& units, float* at);

// traits is indexed by layer index; layers are the bus's unmuted layers.
BusFoldPlan planBusFolds(const std::vector<int>& layers, const std::vector<FoldTraits>& traits, int tracks);

// The pair score: separability over the larger mutual overlap fraction plus 0.25,
// times 0.6 for one Event, 0.25 when either prefers folding, 0.05 when one names
// the other as its fold target.
float foldPairScore(const FoldUnit& a, const FoldUnit& b, const std::vector<FoldTraits>& traits);
// Whether strategy may fold a and b (pins and bus are the caller's).
bool strategyAllows(FoldReason strategy, const FoldUnit& a, const FoldUnit& b);

}  // namespace vn
