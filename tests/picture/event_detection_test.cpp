#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "clip_fixture.h"
#include "picture/column_stats.h"
#include "picture/event_detect.h"
#include "tools/test_video_scenes.h"

namespace vn {
namespace {

// An analyzer whose finished columns are given directly: composite values at
// chosen frames, zero elsewhere, a flat threshold.
TraceAnalyzer& columns(TraceAnalyzer& a, int n, std::initializer_list<std::pair<int, float>> composite) {
  ResetTrace(a, n / 10.0f);
  a.frames.resize(n);
  for (int i = 0; i < n; ++i) {
    a.frames[i].time = i / 10.0f;
    a.frames[i].adaptiveThr = 0.05f;
    a.frames[i].accentThr = 0.05f;
  }
  for (auto [i, c] : composite) a.frames[i].composite = c;
  a.framesProcessed.store(n);
  return a;
}

TEST(EventDetection, SingleFlashInStillShotIsOneSpot) {
  test::TempDir dir;
  const std::string clip = test::MakeClip(dir, "flash.mkv", test::LosslessSpec(4.0, tools::StillWithFlash(20)));
  TraceAnalyzer a;
  ASSERT_TRUE(test::ReadPictureOf(clip, a));
  ASSERT_TRUE(a.ready.load());
  EXPECT_EQ(a.numFrames, 40);
  ASSERT_EQ(a.events.size(), 1u);
  const TraceEvent& e = a.events[0];
  EXPECT_EQ(e.type, kTraceSpot);
  EXPECT_EQ(e.suggestedShape, 0);
  // The flash lights frames 2.0 .. 2.1; the parabola puts the accent inside it.
  EXPECT_NEAR(e.time, 2.05f, 1e-4);
  EXPECT_FLOAT_EQ(e.confidence, 1.0f);
  EXPECT_FLOAT_EQ(e.intensity, 1.0f);
  EXPECT_FLOAT_EQ(e.sliceValue, 1.0f);
  EXPECT_FLOAT_EQ(e.depthSalience, 1.0f);
  EXPECT_EQ(e.layer, kLayerForeground);
  EXPECT_EQ(e.shotIndex, 0);
  EXPECT_EQ(e.peelLayer, 0);
  EXPECT_TRUE(e.hasIntensityCurve);
  EXPECT_FLOAT_EQ(*std::max_element(e.intensityCurve.begin(), e.intensityCurve.end()), 1.0f);
  EXPECT_FLOAT_EQ(a.maxComposite, a.frames[20].composite);
}

TEST(EventDetection, MetronomicFlashesFoldIntoOneCluster) {
  test::TempDir dir;
  const std::string clip =
      test::MakeClip(dir, "metronome.mkv", test::LosslessSpec(6.0, tools::MetronomeFlashes(20, 5, 6)));
  TraceAnalyzer a;
  ASSERT_TRUE(test::ReadPictureOf(clip, a));
  ASSERT_EQ(a.events.size(), 1u);
  const TraceEvent& e = a.events[0];
  EXPECT_EQ(e.type, kTraceCluster);
  EXPECT_EQ(e.suggestedShape, 1);
  EXPECT_EQ(e.tier, 1);
  // It spans the series from the first flash to the last, 2.5 s.
  EXPECT_NEAR(e.suggestedDuration, 2.5f, 1e-3);
  EXPECT_NEAR(e.time - e.suggestedSyncOffset, 2.05f, 1e-3);
}

TEST(EventDetection, HardCutStartsANewShot) {
  test::TempDir dir;
  const std::string clip = test::MakeClip(dir, "cut.mkv", test::LosslessSpec(4.0, tools::HardCut(20)));
  TraceAnalyzer a;
  ASSERT_TRUE(test::ReadPictureOf(clip, a));
  EXPECT_EQ(ComputeShots(ColumnOf(a.frames, &FrameMeasures::histogramDiff)).cuts, (std::vector<int>{0, 20, 40}));
  ASSERT_EQ(a.events.size(), 1u);
  EXPECT_EQ(a.events[0].type, kTraceSpot);
  EXPECT_NEAR(a.events[0].time, 2.0f, 0.051f);
  EXPECT_EQ(a.events[0].shotIndex, 1);
}

TEST(EventDetection, SlowSwellIsOneWideCluster) {
  test::TempDir dir;
  const std::string clip = test::MakeClip(dir, "swell.mkv", test::LosslessSpec(6.0, tools::SlowSwell(15, 30)));
  TraceAnalyzer a;
  ASSERT_TRUE(test::ReadPictureOf(clip, a));
  std::vector<const TraceEvent*> first;
  for (const TraceEvent& e : a.events) {
    EXPECT_EQ(e.type, kTraceCluster) << "nothing in a swell is an accent";
    if (e.peelLayer == 0) first.push_back(&e);
  }
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NEAR(first[0]->time, 3.0f, 0.2f);
  EXPECT_GE(first[0]->suggestedDuration, 1.2f);
  EXPECT_FLOAT_EQ(first[0]->suggestedSyncOffset, 0.5f * first[0]->suggestedDuration);
}

TEST(EventDetection, ShortVideoEndsWithoutEvents) {
  test::TempDir dir;
  const std::string clip = test::MakeClip(dir, "short.mkv", test::LosslessSpec(0.4, tools::StillWithFlash(2)));
  TraceAnalyzer a;
  ASSERT_TRUE(test::ReadPictureOf(clip, a));
  EXPECT_TRUE(a.ready.load());
  EXPECT_EQ(a.numFrames, 4);
  EXPECT_TRUE(a.events.empty());
}

TEST(EventDetection, CloseAccentsKeepOnlyTheMoreProminent) {
  TraceAnalyzer a;
  columns(a, 40, {{14, 0.2f}, {15, 1.0f}, {16, 0.3f}, {17, 0.6f}, {18, 0.1f}});
  DetectTraceEvents(a, {});
  ASSERT_EQ(a.events.size(), 1u);
  // Sub-frame time from the parabola through 0.2, 1.0, 0.3.
  EXPECT_NEAR(a.events[0].time, 1.5f + 0.1f * (0.5f * -0.1f / -1.5f), 1e-5);

  // With the gap widened to 1 s by a trained model, accents 0.7 s apart thin out.
  TraceAnalyzer spaced;
  columns(spaced, 50, {{10, 0.8f}, {17, 0.8f}, {24, 0.8f}, {31, 0.8f}});
  DetectTraceEvents(spaced, {});
  EXPECT_EQ(spaced.events.size(), 4u);
  TraceAnalyzer trained;
  trained.model.valid = true;
  trained.model.minGap = 1.0f;
  columns(trained, 50, {{10, 0.8f}, {17, 0.8f}, {24, 0.8f}, {31, 0.8f}});
  DetectTraceEvents(trained, {});
  ASSERT_FALSE(trained.events.empty());
  for (size_t i = 1; i < trained.events.size(); ++i)
    EXPECT_GE(trained.events[i].time - trained.events[i - 1].time, 1.0f - 1e-4f);
}

TEST(EventDetection, LaterPassesWeighLess) {
  TraceAnalyzer a;
  columns(a, 30, {{9, 0.2f}, {10, 0.8f}, {11, 0.2f}});
  a.frames[10].brightness = 0.5f;
  a.frames[10].foregroundMass = 0.7f;
  PeelPass pass;
  pass.c = ColumnOf(a.frames, &FrameMeasures::composite);
  pass.maxC = 1.0f;
  const Candidate cand{10, 0.8f, MeasurePeak(pass.c, 10, 0.1f)};
  const TraceEvent first = BuildPeakEvent(a, pass, cand, 1.0f);
  pass.pass = 2;
  pass.narrow = 0.3f;
  const TraceEvent third = BuildPeakEvent(a, pass, cand, 1.0f);
  EXPECT_FLOAT_EQ(first.confidence, 2.0f * third.confidence);
  EXPECT_FLOAT_EQ(first.intensity, 3.0f * third.intensity);
  EXPECT_EQ(first.peelLayer, 0);
  EXPECT_EQ(third.peelLayer, 2);
  EXPECT_FLOAT_EQ(first.foregroundMass, 0.7f);
  EXPECT_FLOAT_EQ(first.suggestedWeightCenter, 0.7f * 0.5f + 0.15f);
  EXPECT_FLOAT_EQ(first.suggestedDuration, 0.3f) << "a narrow accent gets the shortest Spot";
  EXPECT_FLOAT_EQ(third.suggestedDuration, 0.2f);
}

TEST(EventDetection, PlacementOfFinishedEvents) {
  TraceAnalyzer a;
  columns(a, 60, {{10, 1.0f}, {50, 0.2f}});
  for (int i = 25; i <= 39; ++i) a.frames[i].composite = i == 32 ? 0.5f : 0.45f;
  a.maxComposite = 1.0f;
  TraceEvent strong, flat, faint;
  strong.time = 1.0f, strong.intensity = 1.0f, strong.confidence = 1.0f;
  flat.time = 3.2f, flat.intensity = 0.5f, flat.confidence = 0.5f;  // in a plateau: not an accent
  faint.time = 5.0f, faint.intensity = 0.2f, faint.confidence = 0.2f;
  a.events = {strong, flat, faint};
  DemoteBackgroundEvents(a);
  AssignShotsAndSalience(a);
  AssignSliceValues(a);
  EXPECT_EQ(a.events[0].layer, kLayerForeground);
  EXPECT_EQ(a.events[1].layer, kLayerBackground);
  EXPECT_EQ(a.events[1].tier, 1);
  EXPECT_EQ(a.events[2].layer, kLayerForeground);
  EXPECT_FLOAT_EQ(a.events[0].depthSalience, 1.0f);
  EXPECT_FLOAT_EQ(a.events[2].depthSalience, 0.0f);
  EXPECT_FLOAT_EQ(a.events[1].depthSalience, 1.0f) << "alone in the background";
  EXPECT_FLOAT_EQ(a.events[0].sliceValue, 1.0f);
  EXPECT_NEAR(a.events[2].sliceValue, std::pow(0.2f, 0.72f), 1e-6);
  EXPECT_NEAR(a.events[2].sliceValue, 0.31f, 0.005f);
  // A time made from a frame index finds that frame, not the one before it.
  EXPECT_EQ(FrameAt(a, 5.3f), 53);
  EXPECT_EQ(FrameAt(a, 99.0f), 59);
}

}  // namespace
}  // namespace vn
