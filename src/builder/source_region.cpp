#include "builder/source_region.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vn {
namespace {

// The analysis measures positions over at most the first 30 seconds of a file.
constexpr float kAnalysedSpan = 30.0f;
// Air kept before an attack so that its rise is heard whole.
constexpr float kHitBreath = 0.04f;
// A cut inside a sounding file needs this much fade to stay clean.
constexpr float kCutFadeIn = 0.03f;
constexpr float kCutFadeOut = 0.06f;
constexpr float kEdge = 0.002f;

float analysedSpan(const LibraryRecord& r) { return std::min(std::max(r.duration, 0.0f), kAnalysedSpan); }
float positionTime(const LibraryRecord& r, float position) {
  return std::clamp(position, 0.0f, 1.0f) * analysedSpan(r);
}

bool overlapsAny(float start, float end, std::span<const UsedSpan> used) {
  for (const auto& u : used)
    if (start < u.end - kEdge && end > u.start + kEdge) return true;
  return false;
}

}  // namespace

float attackTime(const LibraryRecord& r) {
  const float rise = std::clamp(r.attackTime, 0.0f, 0.2f);
  return std::min(std::max(r.duration, 0.0f), positionTime(r, r.onsetPosition) + 0.5f * rise);
}

SourceRegion hitRegion(const LibraryRecord& r, float after) {
  const float L = std::max(r.duration, 0.0f);
  const float attack = attackTime(r);
  SourceRegion region;
  region.offset = std::max(0.0f, attack - kHitBreath);
  region.syncPoint = attack - region.offset;
  region.duration = std::min(L - region.offset, region.syncPoint + std::max(after, 0.0f));
  region.minFadeOut = region.offset + region.duration < L - kEdge ? kCutFadeOut : 0.0f;
  return region;
}

std::optional<float> freeRegionStart(float fileDuration, float length, std::span<const UsedSpan> used,
                                     float wanted) {
  const float slack = fileDuration - length;
  if (!(slack >= 0.0f)) return std::nullopt;
  std::vector<float> starts = {std::clamp(wanted, 0.0f, slack), 0.0f, slack};
  for (const auto& u : used) {
    starts.push_back(u.end);
    starts.push_back(u.start - length);
  }
  std::optional<float> best;
  for (float s : starts) {
    if (s < 0.0f || s > slack || overlapsAny(s, s + length, used)) continue;
    if (!best || std::fabs(s - wanted) < std::fabs(*best - wanted)) best = s;
  }
  return best;
}

SourceRegion bodyRegion(const LibraryRecord& r, float length, float impact, std::span<const UsedSpan> used,
                        float u) {
  const float L = std::max(r.duration, 0.0f);
  SourceRegion region;
  if (L <= length + kEdge) {
    region.duration = L;
    return region;
  }
  const float slack = L - length;
  float wanted = impact >= 0.5f ? positionTime(r, r.peakPosition) - 0.3f * length
                                : std::max(positionTime(r, r.temporalCentroid) - 0.5f * length, attackTime(r));
  wanted += (u - 0.5f) * 0.5f * std::min(slack, length);
  wanted = std::clamp(wanted, 0.0f, slack);
  region.offset = freeRegionStart(L, length, used, wanted).value_or(wanted);
  region.duration = length;
  region.minFadeIn = region.offset > kEdge ? kCutFadeIn : 0.0f;
  region.minFadeOut = region.offset + length < L - kEdge ? kCutFadeOut : 0.0f;
  return region;
}

}  // namespace vn
