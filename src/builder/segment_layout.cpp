#include "builder/segment_layout.h"

#include <algorithm>
#include <cmath>

#include "builder/event_curves.h"

namespace vn {
namespace {

// Threshold runs are read from 257 positions i / 256 of the curve; the last
// position is taken as silent so that every run closes.
float runValue(const Event& ev, int i) { return i >= kCurvePoints ? 0.0f : ev.intensityScale * ev.intensity[i]; }

void recomputeMid(Segment& s) { s.mid = 0.5f * (s.t1 + s.t2); }

void layoutLevel(const Event& ev, float theta, const std::vector<int>& capacity, std::vector<int>& used,
                 std::vector<Segment>& out) {
  const float D = ev.duration;
  int i = 0;
  while (i <= kCurvePoints) {
    while (i <= kCurvePoints && runValue(ev, i) < theta) ++i;
    if (i > kCurvePoints) break;
    const float r = static_cast<float>(i) / 256.0f;
    while (i <= kCurvePoints && runValue(ev, i) >= theta) ++i;
    const float e = static_cast<float>(std::min(i, kCurvePoints)) / 256.0f;
    if ((e - r) * D < kShortestSegment) continue;
    const int a = std::clamp(static_cast<int>(kSegmentSlices * r), 0, kSegmentSlices - 1);
    const int b = std::clamp(static_cast<int>(kSegmentSlices * e - 0.001f), a, kSegmentSlices - 1);
    // Each stretch of slices with room left becomes a segment [s, c), c being
    // the slice where the stretch ends.
    int s = a;
    while (s <= b) {
      if (used[s] >= capacity[s]) {
        ++s;
        continue;
      }
      int c = s;
      while (c <= b && used[c] < capacity[c]) ++c;
      const float t1 = static_cast<float>(s) / kSegmentSlices, t2 = static_cast<float>(c) / kSegmentSlices;
      if ((t2 - t1) * D >= kShortestSegment && static_cast<int>(out.size()) < kMaxSegments) {
        out.push_back({t1, t2, theta, 0.5f * (t1 + t2), std::nullopt});
        for (int k = s; k < c; ++k) ++used[k];
      }
      s = c;
    }
  }
}

void widen(std::vector<Segment>& segments) {
  for (auto& s : segments) {
    const float grow = std::min(0.2f * (s.t2 - s.t1), 0.05f);
    s.t1 = std::max(0.0f, s.t1 - grow);
    s.t2 = std::min(1.0f, s.t2 + grow);
    recomputeMid(s);
  }
}

// The quietest layer spans the whole event, so the sound never drops out.
void coverBase(std::vector<Segment>& segments) {
  if (segments.empty()) return;
  float lowest = segments.front().level;
  for (const auto& s : segments) lowest = std::min(lowest, s.level);
  Segment* first = nullptr;
  Segment* last = nullptr;
  for (auto& s : segments) {
    if (s.level > 1.01f * lowest) continue;
    if (!first || s.t1 < first->t1) first = &s;
    if (!last || s.t2 > last->t2) last = &s;
  }
  first->t1 = 0.0f;
  recomputeMid(*first);
  last->t2 = 1.0f;
  recomputeMid(*last);
}

std::vector<Segment> addWeightTwins(const Event& ev, const std::vector<Segment>& segments) {
  std::vector<Segment> out;
  int count = static_cast<int>(segments.size());
  for (const auto& s : segments) {
    out.push_back(s);
    const float seconds = (s.t2 - s.t1) * ev.duration;
    if (seconds < 0.3f || count >= kMaxSegments) continue;
    // Sampling finer than the curve's own points finds nothing new.
    const int n = std::min(std::max(4, static_cast<int>(4.0f * seconds)), 2048);
    float lo = 2.0f, hi = -1.0f, loAt = s.t1, hiAt = s.t1;
    for (int k = 0; k <= n; ++k) {
      const float t = s.t1 + static_cast<float>(k) / n * (s.t2 - s.t1);
      const float w = weightValueAt(ev, t);
      if (w < lo) { lo = w; loAt = t; }
      if (w > hi) { hi = w; hiAt = t; }
    }
    if (hi - lo <= 0.2f) continue;
    const float w1 = weightValueAt(ev, s.t1);
    Segment twin = s;
    twin.target = std::fabs(hi - w1) >= std::fabs(lo - w1) ? hiAt : loAt;
    out.push_back(twin);
    ++count;
  }
  return out;
}

}  // namespace

std::vector<Segment> segmentLayout(const Event& ev, int extra, float peak) {
  std::vector<Segment> segments;
  if (extra < 1) return segments;
  std::vector<int> capacity(kSegmentSlices), used(kSegmentSlices, 0);
  for (int i = 0; i < kSegmentSlices; ++i) {
    const float t = (static_cast<float>(i) + 0.5f) / kSegmentSlices;
    capacity[i] = std::min(extra, intensityStep(intensitySampleAt(ev, t) * ev.intensityScale));
  }
  const int levels = 4 * extra;
  const float lo = 0.03f * peak;
  for (int k = 0; k < levels; ++k) {
    const float theta = lo + static_cast<float>(k) / static_cast<float>(std::max(levels - 1, 1)) * (0.92f * peak - lo);
    if (theta > peak || static_cast<int>(segments.size()) >= kMaxSegments) break;
    layoutLevel(ev, theta, capacity, used, segments);
  }
  widen(segments);
  coverBase(segments);
  return addWeightTwins(ev, segments);
}

float segmentWeightPosition(const std::vector<Segment>& segments, size_t index) {
  const Segment& s = segments[index];
  if (s.target) return *s.target;
  int covering = 0, earlier = 0;
  for (size_t k = 0; k < segments.size(); ++k) {
    if (segments[k].t1 <= s.mid && s.mid <= segments[k].t2) {
      ++covering;
      if (k < index) ++earlier;
    }
  }
  if (covering > 1) return s.t1 + static_cast<float>(earlier) / static_cast<float>(covering - 1) * (s.t2 - s.t1);
  return s.mid;
}

}  // namespace vn
