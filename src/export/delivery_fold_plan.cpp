#include "export/delivery_fold_plan.h"

#include <algorithm>
#include <limits>

namespace vn {

namespace {

float overlapSeconds(const FoldUnit& a, const FoldUnit& b) {
  return std::max(0.0f, std::min(a.end, b.end) - std::max(a.start, b.start));
}

bool namesTarget(const FoldUnit& from, const FoldUnit& to, const std::vector<FoldTraits>& traits) {
  for (int m : from.members) {
    const int target = traits[m].foldTarget;
    if (target < 0) continue;
    for (int n : to.members)
      if (traits[n].id == static_cast<uint32_t>(target)) return true;
  }
  return false;
}

}  // namespace

void foldInto(FoldUnit& into, const FoldUnit& other, FoldReason reason) {
  const float a = static_cast<float>(into.members.size()), b = static_cast<float>(other.members.size());
  for (size_t i = 0; i < 5; ++i) into.shares[i] = (into.shares[i] * a + other.shares[i] * b) / (a + b);
  into.members.insert(into.members.end(), other.members.begin(), other.members.end());
  // A comp's reason is the most desperate strategy that ever added to it.
  into.reason = into.comp ? std::max(into.reason, reason) : reason;
  into.comp = true;
  into.start = std::min(into.start, other.start);
  into.end = std::max(into.end, other.end);
  if (into.eventIdx != other.eventIdx) into.eventIdx = -1;
  into.preferFold = into.preferFold || other.preferFold;
  into.fmt = std::max(into.fmt, other.fmt);
}

FoldUnit singleUnit(int layer, const FoldTraits& traits) {
  FoldUnit u;
  u.members = {layer};
  u.start = traits.start;
  u.end = traits.end;
  u.shares = traits.shares;
  u.spectralClass = traits.spectralClass;
  u.hero = traits.hero;
  u.transient = traits.transient;
  u.eventIdx = traits.eventIdx;
  u.preferFold = traits.foldPin == 2;
  u.fmt = traits.fmt;
  return u;
}

bool unitActiveAt(const FoldUnit& unit, float t) {
  return unit.start <= t + kFoldTimeTolerance && t + kFoldTimeTolerance < unit.end;
}

int peakOverlap(const std::vector<FoldUnit>& units, float* at) {
  std::vector<float> starts, ends;
  starts.reserve(units.size());
  ends.reserve(units.size());
  for (const FoldUnit& u : units) {
    starts.push_back(u.start);
    ends.push_back(u.end);
  }
  std::sort(starts.begin(), starts.end());
  std::sort(ends.begin(), ends.end());
  int best = 0;
  float bestAt = 0.0f;
  for (float t : starts) {
    const float probe = t + kFoldTimeTolerance;
    const auto begun = std::upper_bound(starts.begin(), starts.end(), probe) - starts.begin();
    const auto over = std::upper_bound(ends.begin(), ends.end(), probe) - ends.begin();
    const int active = static_cast<int>(begun - over);
    if (active > best) {
      best = active;
      bestAt = t;
    }
  }
  if (at) *at = bestAt;
  return best;
}

bool strategyAllows(FoldReason strategy, const FoldUnit& a, const FoldUnit& b) {
  const bool sameClass = a.spectralClass == b.spectralClass;
  const bool sameHero = a.hero == b.hero;
  const bool sameTransient = a.transient == b.transient;
  const bool base = sameClass && sameHero && sameTransient;
  switch (strategy) {
    case FoldReason::SpectralMerge: return base && spectralDistance(a.shares, b.shares) <= kSpectralMergeLimit;
    case FoldReason::EventComp: return base && a.eventIdx >= 0 && a.eventIdx == b.eventIdx;
    case FoldReason::CrossEventMerge: return base;
    case FoldReason::TransientWithTail: return sameClass && sameHero;
    case FoldReason::HeroWithNonHero: return sameClass;
    case FoldReason::SeparabilityGivenUp: return true;
  }
  return false;
}

float foldPairScore(const FoldUnit& a, const FoldUnit& b, const std::vector<FoldTraits>& traits) {
  const float shared = overlapSeconds(a, b);
  const float durA = a.end - a.start, durB = b.end - b.start;
  const float fracA = durA > 0.0f ? shared / durA : 1.0f;
  const float fracB = durB > 0.0f ? shared / durB : 1.0f;
  float score = separability(a.shares, a.spectralClass, b.shares, b.spectralClass) / (std::max(fracA, fracB) + 0.25f);
  if (a.eventIdx >= 0 && a.eventIdx == b.eventIdx) score *= 0.6f;
  if (a.preferFold || b.preferFold) score *= 0.25f;
  if (namesTarget(a, b, traits) || namesTarget(b, a, traits)) score *= 0.05f;
  return score;
}

BusFoldPlan planBusFolds(const std::vector<int>& layers, const std::vector<FoldTraits>& traits, int tracks) {
  BusFoldPlan plan;
  plan.units.reserve(layers.size());
  for (int l : layers) plan.units.push_back(singleUnit(l, traits[l]));
  tracks = std::max(0, tracks);

  for (; plan.rounds < kMaxFoldRounds; ++plan.rounds) {
    float t = 0.0f;
    const int peak = peakOverlap(plan.units, &t);
    if (peak <= tracks) break;
    std::vector<size_t> active;
    for (size_t i = 0; i < plan.units.size(); ++i)
      if (unitActiveAt(plan.units[i], t)) active.push_back(i);

    size_t bestA = 0, bestB = 0;
    bool found = false;
    FoldReason reason = FoldReason::SpectralMerge;
    for (int s = 0; s < kFoldReasonCount && !found; ++s) {
      const auto strategy = static_cast<FoldReason>(s);
      float bestScore = std::numeric_limits<float>::infinity();
      for (size_t x = 0; x < active.size(); ++x) {
        const FoldUnit& a = plan.units[active[x]];
        if (a.members.size() == 1 && traits[a.members[0]].foldPin == 1) continue;
        for (size_t y = x + 1; y < active.size(); ++y) {
          const FoldUnit& b = plan.units[active[y]];
          if (b.members.size() == 1 && traits[b.members[0]].foldPin == 1) continue;
          if (overlapSeconds(a, b) <= 0.0f || !strategyAllows(strategy, a, b)) continue;
          const float score = foldPairScore(a, b, traits);
          if (score < bestScore) {
            bestScore = score;
            bestA = active[x];
            bestB = active[y];
            found = true;
            reason = strategy;
          }
        }
      }
    }

    if (!found) {
      // Nothing may fold here: the latest starters beyond the track count are given up.
      std::stable_sort(active.begin(), active.end(),
                       [&](size_t a, size_t b) { return plan.units[a].start < plan.units[b].start; });
      std::vector<size_t> dropped(active.begin() + std::min<size_t>(active.size(), tracks), active.end());
      std::sort(dropped.rbegin(), dropped.rend());
      for (size_t i : dropped) {
        const FoldUnit& u = plan.units[i];
        plan.notFitting.insert(plan.notFitting.end(), u.members.begin(), u.members.end());
        plan.units.erase(plan.units.begin() + static_cast<long>(i));
      }
      continue;
    }
    // A comp takes the other in; of two comps the earlier-listed one absorbs the later.
    if (plan.units[bestB].comp && !plan.units[bestA].comp) std::swap(bestA, bestB);
    FoldUnit other = std::move(plan.units[bestB]);
    foldInto(plan.units[bestA], other, reason);
    plan.units.erase(plan.units.begin() + static_cast<long>(bestB));
  }
  return plan;
}

}  // namespace vn
