#include <gtest/gtest.h>

#include "build/build_run.h"
#include "build/reroll.h"
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

}  // namespace
}  // namespace vn
