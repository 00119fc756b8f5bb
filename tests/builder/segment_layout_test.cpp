// Bloom layout worked by hand for a 4 s event whose intensity is 0.3 over the
// first half and 0.9 over the second, weight rising from 0.2 to 0.8.
//
// P = 0.9; L = trunc(3·0.3 + .5) + 4 = 5; extra = min(step(0.9) = 4, 5) = 4.
// Slice capacity: slices 0..63 sample 0.3 → step 2; slices 64..127 sample 0.9 → 4.
// Levels: N = 16, lo = 0.027, θk = 0.027 + k/15·(0.828 - 0.027) = 0.027 + 0.0534k.
//   θ0: run 0..1, every slice has room → [0, 1]      (used 1 everywhere)
//   θ1: → [0, 1]                                     (used 2: first half full)
//   θ2: first half full → [64/128, 1] = [0.5, 1]     (used 3 in the second half)
//   θ3: → [0.5, 1]                                   (second half full)
//   θ4, θ5 (≤ 0.3) and θ6..θ15 (runs from 0.5): no room left.
// Widening: [0,1] stays; [0.5,1] grows by min(0.2·0.5, 0.05) = 0.05 → [0.45, 1].
// Base coverage: only the θ0 segment is lowest; it already spans 0..1.
// Twins: every segment lasts ≥ 0.3 s and its weight ranges over more than 0.2
// (0.2..0.8 and 0.47..0.8); the largest moves further from w(t1), so each twin
// targets t = 1. Order: s0 twin s1 twin s2 twin s3 twin.
// Weight positions: s0's mid 0.5 is covered by all 8 → p = 0 + 0/7 = 0;
// s1 (2 earlier) → 2/7 = 0.2857; s2 (mid 0.725, 4 earlier) → 0.45 + 4/7·0.55 = 0.7643;
// s3 → 0.45 + 6/7·0.55 = 0.9214; twins → 1.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "builder/event_curves.h"
#include "builder/segment_layout.h"

namespace vn {
namespace {

Event rampedBloom() {
  Event ev;
  ev.shape = ShapeType::Bloom;
  ev.duration = 4.0f;
  for (int i = 0; i < kCurvePoints; ++i) {
    ev.intensity[i] = i < 128 ? 0.3f : 0.9f;
    ev.weight[i] = 0.2f + 0.6f * static_cast<float>(i) / 255.0f;
  }
  return ev;
}

TEST(SegmentLayout, FollowsTheIntensityCurve) {
  const Event ev = rampedBloom();
  ASSERT_NEAR(intensityPeak(ev), 0.9f, 1e-6f);
  const auto segs = segmentLayout(ev, 4, intensityPeak(ev));
  ASSERT_EQ(segs.size(), 8u);
  const float t1[] = {0, 0, 0, 0, 0.45f, 0.45f, 0.45f, 0.45f};
  for (size_t i = 0; i < segs.size(); ++i) {
    EXPECT_NEAR(segs[i].t1, t1[i], 1e-5f) << i;
    EXPECT_NEAR(segs[i].t2, 1.0f, 1e-5f) << i;
    EXPECT_EQ(segs[i].target.has_value(), i % 2 == 1) << i;
  }
  EXPECT_NEAR(segs[0].level, 0.027f, 1e-5f);
  EXPECT_NEAR(segs[2].level, 0.027f + 0.0534f, 1e-5f);
  EXPECT_NEAR(segs[4].level, 0.027f + 2 * 0.0534f, 1e-5f);

  const float positions[] = {0.0f, 1.0f, 0.2857f, 1.0f, 0.7643f, 1.0f, 0.9214f, 1.0f};
  for (size_t i = 0; i < segs.size(); ++i) EXPECT_NEAR(segmentWeightPosition(segs, i), positions[i], 1e-3f) << i;
}

TEST(SegmentLayout, ShortRunsAndShortEventsGiveNothing) {
  Event ev = rampedBloom();
  ev.duration = 0.1f;  // the 0.5 run would last 0.05 s, under the 0.08 s minimum
  const auto segs = segmentLayout(ev, 4, intensityPeak(ev));
  for (const auto& s : segs) EXPECT_EQ(s.t1, 0.0f);  // only the full-length runs survive
  ev.duration = 0.05f;
  EXPECT_TRUE(segmentLayout(ev, 4, intensityPeak(ev)).empty());
  EXPECT_TRUE(segmentLayout(rampedBloom(), 0, 0.9f).empty());

  // A busy curve cannot make more than 32 segments.
  Event busy = rampedBloom();
  busy.duration = 60.0f;
  for (int i = 0; i < kCurvePoints; ++i) busy.intensity[i] = (i / 8) % 2 ? 1.0f : 0.05f;
  EXPECT_LE(segmentLayout(busy, 5, intensityPeak(busy)).size(), 32u);
}

TEST(EventCurves, SamplingStepsAndSanitising) {
  Event ev;
  for (int i = 0; i < kCurvePoints; ++i) ev.weight[i] = static_cast<float>(i) / 255.0f;
  EXPECT_NEAR(sampleCurve(ev.weight, 0.5f), 0.5f, 1e-5f);
  EXPECT_NEAR(sampleCurve(ev.weight, 1.0f), 1.0f, 1e-6f);
  ev.weightOffset = 0.3f;
  EXPECT_EQ(weightValueAt(ev, 0.9f), 1.0f);
  EXPECT_EQ(intensityStep(1.0f), 5);
  EXPECT_EQ(intensityStep(0.75f), 4);
  EXPECT_EQ(intensityStep(0.74f), 3);
  EXPECT_EQ(intensityStep(0.25f), 2);
  EXPECT_EQ(intensityStep(0.0f), 1);

  Event bad;
  bad.duration = -3.0f;
  bad.intensity[5] = std::nanf("");
  bad.weight[7] = 9.0f;
  bad.intensityScale = std::numeric_limits<float>::infinity();
  const Event clean = sanitisedEvent(bad);
  EXPECT_EQ(clean.duration, 0.0f);
  EXPECT_EQ(clean.intensity[5], 0.0f);
  EXPECT_EQ(clean.weight[7], 1.0f);
  EXPECT_EQ(clean.intensityScale, 1.0f);
}

}  // namespace
}  // namespace vn
