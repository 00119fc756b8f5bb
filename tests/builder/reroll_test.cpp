#include <gtest/gtest.h>

#include "builder/build_run.h"
#include "builder/reroll.h"
#include "build_fixtures.h"

namespace vn {
namespace {

TEST(Reroll, NextSoundAndPreviousSound) {
  test::TempDir dir;
  Library lib = test::syntheticLibrary(dir, "Main", 30);
  const Library* libs[] = {&lib};
  Session s;
  s.events.push_back(test::eventAt(2.0f, 1.0f, ShapeType::Spot));
  s.events[0].intensity = flatCurve(0.6f);
  BuildEngineState state;
  BuildOptions o;
  o.seed = 11;
  o.nowSeconds = 5000;
  buildEvents(s, libs, state, o);
  ASSERT_GE(s.results.size(), 2u);

  const Layer original = s.results[0];
  int changes = 0;
  for (int i = 0; i < 6; ++i) changes += rerollLayer(s, libs, state, 0, i % 2 == 0, 5000 + i) ? 1 : 0;
  ASSERT_GT(changes, 0);
  EXPECT_EQ(state.rerollCounter, 6u);
  const Layer& now = s.results[0];
  EXPECT_EQ(now.id, original.id);
  EXPECT_EQ(now.eventIdx, original.eventIdx);
  EXPECT_TRUE(now.filepath != original.filepath || now.sourceOffset != original.sourceOffset);
  // Never the file another layer of the event plays.
  for (size_t i = 1; i < s.results.size(); ++i) EXPECT_NE(now.filepath, s.results[i].filepath);

  // Walking back through the history returns the first sound.
  for (int i = 0; i < changes; ++i) EXPECT_TRUE(previousSound(s, state, 0));
  EXPECT_FALSE(previousSound(s, state, 0));
  EXPECT_EQ(s.results[0].filepath, original.filepath);
  EXPECT_EQ(s.results[0].sourceOffset, original.sourceOffset);
  EXPECT_EQ(s.results[0].pitchShift, original.pitchShift);
}

TEST(Reroll, AlloyAndInvalidLayersAreLeftAlone) {
  test::TempDir dir;
  Library lib = test::syntheticLibrary(dir, "Main", 10);
  const Library* libs[] = {&lib};
  Session s;
  s.events.push_back(test::eventAt(0.0f, 2.0f, ShapeType::Bloom));
  s.events[0].alloy = true;
  BuildEngineState state;
  buildEvents(s, libs, state, {});
  ASSERT_FALSE(s.results.empty());
  ASSERT_EQ(s.results[0].procMode, 3);
  const std::string before = s.results[0].filepath;
  EXPECT_FALSE(rerollLayer(s, libs, state, 0, false, 1));
  EXPECT_EQ(s.results[0].filepath, before);
  EXPECT_FALSE(rerollLayer(s, libs, state, 99, false, 1));
  EXPECT_FALSE(rerollLayer(s, libs, state, -1, true, 1));
  s.results[0].eventIdx = 7;  // its event is gone
  s.results[0].procMode = 0;
  EXPECT_FALSE(rerollLayer(s, libs, state, 0, false, 1));
  EXPECT_EQ(state.rerollCounter, 0u);
}

// Neighbour figures worked by hand. B differs from A by 0.1 in centroid and
// 0.25 in energy position: 2·0.1² + 0.8·0.25² = 0.07 → 100·e^-0.21 = 81.058.
// C differs by 0.5 in harmonic ratio and 20 dB in dynamic range:
// 0.5² + 0.5·(20/20)² = 0.75 → 100·e^-2.25 = 10.540. A itself: 100.
// The layer plays all of A (1 s of 1 s), so A has no fresh stretch and every
// score becomes its nearness to A: total 191.598, best first A, B, C.
// Seed for counter 1, layer id 5, second s: ((0x9E3779B1 ^ 5 ^ s)·1103515245 + 12345)
// mod 2^32, r = (seed >> 16) / 65535 · 191.598:
//   s = 1000: seed 0x440f5165, 17423 → r = 50.94  → A (the layer stays as it is)
//   s = 1002: seed 0xc79bee3f, 51099 → r = 149.39 → B (100 < r ≤ 181.06)
//   s = 1027: seed 0xf8787924, 63608 → r = 185.97 → C
TEST(Reroll, NeighbourScoresAndTheSeededPick) {
  LibraryRecord a = test::referenceRecord("A");
  a.duration = 1.0f;
  LibraryRecord b = a, c = a;
  b.name = "B";
  b.path = "/sounds/B.wav";
  b.centroid = a.centroid + 0.1f;
  b.temporalCentroid = a.temporalCentroid + 0.25f;
  c.name = "C";
  c.path = "/sounds/C.wav";
  c.harmonicRatio = a.harmonicRatio + 0.5f;
  c.dynamicRangeDb = a.dynamicRangeDb + 20.0f;
  EXPECT_NEAR(rerollDistance(a, b), 0.07f, 1e-5f);
  EXPECT_NEAR(rerollDistance(a, c), 0.75f, 1e-5f);
  // The sound-alike distance leaves out dynamics, energy position and change:
  // B is 0.02 from A, C 0.25.
  EXPECT_NEAR(soundAlikeDistance(a, b), 0.02f, 1e-5f);
  EXPECT_NEAR(soundAlikeDistance(a, c), 0.25f, 1e-5f);

  Library lib;
  lib.name = "Three";
  lib.records = {a, b, c};
  const Library* libs[] = {&lib};
  Session base;
  base.events.push_back(test::eventAt(2.0f, 1.0f, ShapeType::Spot));
  Layer layer;
  layer.id = 5;
  layer.eventIdx = 0;
  layer.weight = 0.5f;
  layer.startTime = 2.0f;
  layer.duration = 1.0f;
  layer.sourceDuration = 1.0f;
  layer.name = a.name;
  layer.filepath = a.path;
  base.results.push_back(layer);

  const auto rerollAt = [&](int64_t second) {
    Session s = base;
    BuildEngineState state;
    const bool changed = rerollLayer(s, libs, state, 0, true, second);
    EXPECT_EQ(state.rerollCounter, 1u);
    return std::make_pair(changed, s.results[0].filepath);
  };
  EXPECT_EQ(rerollAt(1000), std::make_pair(false, a.path));
  EXPECT_EQ(rerollAt(1002), std::make_pair(true, b.path));
  EXPECT_EQ(rerollAt(1027), std::make_pair(true, c.path));

  // Sound-alikes of a pinned file: below 1.5 only. D's flatness is 1 away:
  // 1.5·1² = 1.5 is not below 1.5.
  a.flatness = 0.0f;
  b.flatness = 0.0f;
  LibraryRecord d = a;
  d.path = "/sounds/D.wav";
  d.flatness = 1.0f;
  const CandidateList list = makeCandidateList({&a, &b, &d});
  const CandidateList near = soundAlikes(list, a.path);
  ASSERT_EQ(near.size(), 1u);
  EXPECT_EQ(near.records[0], &b);
  EXPECT_EQ(soundAlikes(list, "/sounds/unknown.wav").size(), 3u);
}

}  // namespace
}  // namespace vn
