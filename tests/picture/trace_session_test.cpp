#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "picture/event_detect.h"
#include "picture/trace_file.h"
#include "picture/trace_session.h"

namespace vn {
namespace {

// A finished read of 6 s with a strong accent at 1 s, a weak one (20 % of the
// largest composite) at 3 s and a swell at 4.5 s.
void finishedRead(TraceAnalyzer& a) {
  ResetTrace(a, 6.0f);
  a.frames.resize(60);
  for (int i = 0; i < 60; ++i) {
    a.frames[i].time = i / 10.0f;
    a.frames[i].composite = 0.01f;
  }
  a.frames[10].composite = 1.0f;
  a.frames[11].composite = 0.4f;
  a.frames[30].composite = 0.2f;
  for (int i = 40; i <= 50; ++i) a.frames[i].composite = 0.3f + 0.02f * (5 - std::abs(i - 45));
  a.maxComposite = 1.0f;
  a.numFrames = 60;
  TraceEvent strong, weak, swell, rejected;
  strong.time = 1.02f, strong.suggestedDuration = 0.3f, strong.suggestedWeightCenter = 0.6f, strong.suggestedSpread = 0.0f;
  strong.keywords = "glass";
  weak.time = 3.0f, weak.suggestedDuration = 0.3f;
  swell.time = 4.5f, swell.type = kTraceCluster, swell.suggestedShape = 1, swell.suggestedDuration = 2.0f;
  swell.suggestedSyncOffset = 1.0f;
  rejected.time = 5.5f, rejected.accepted = false;
  a.events = {strong, weak, swell, rejected};
  AttachIntensityCurve(a, a.events[2]);
  AssignSliceValues(a);
  a.ready.store(true);
}

TEST(TraceSession, SliceLineKeepsAboveOrBelow) {
  TraceAnalyzer a;
  finishedRead(a);
  const TraceEvent& weak = a.events[1];
  EXPECT_NEAR(weak.sliceValue, 0.31f, 0.005f);
  EXPECT_FALSE(KeepBySlice(weak, 0.35f, true));
  EXPECT_TRUE(KeepBySlice(weak, 0.35f, false));
  EXPECT_TRUE(KeepBySlice(weak, weak.sliceValue + 0.00005f, true)) << "the line itself counts as kept";
  EXPECT_EQ(CountKeptEvents(a, 0.35f, true), 2);
  EXPECT_EQ(CountKeptEvents(a, 0.35f, false), 1) << "rejected events are not counted";
}

TEST(TraceSession, ImportCreatesEventsAtTheVideoOffset) {
  TraceAnalyzer a;
  finishedRead(a);
  Session session;
  session.traceSummary.opticalDetail = 0.35f;
  TraceImportOptions options;
  options.videoOffset = 10.0f;
  ASSERT_EQ(ImportTraceEvents(a, session, options), 2);
  EXPECT_TRUE(session.dirty);
  const Event& spot = session.events[0];
  EXPECT_FLOAT_EQ(spot.time, 11.02f);
  EXPECT_EQ(spot.shape, ShapeType::Spot);
  EXPECT_FLOAT_EQ(spot.duration, 0.3f);
  EXPECT_FLOAT_EQ(spot.weightCenter, 0.6f);
  EXPECT_FLOAT_EQ(spot.gain, 1.0f) << "the loudest accent";
  EXPECT_EQ(spot.keywords, "glass");
  ASSERT_TRUE(spot.hasTraceGain);
  EXPECT_FLOAT_EQ(*std::max_element(spot.traceGain.begin(), spot.traceGain.end()), 1.0f);
  EXPECT_GT(spot.intensity[0], spot.intensity[255]) << "a Spot decays";
  EXPECT_FLOAT_EQ(spot.weight[100], 0.6f);

  const Event& swell = session.events[1];
  EXPECT_EQ(swell.shape, ShapeType::Spot);
  EXPECT_NEAR(swell.gain, 0.4f, 1e-5) << "0.4 against the loudest 1.0";

  // Keeping below imports the weak accent; a chosen Bloom recipe makes Blooms that
  // take the trace's own intensity curves.
  Session below;
  below.traceSummary.traceKeepAbove = false;
  std::vector<std::string> applied;
  options.recipeShape = 1;
  options.recipeName = "swells";
  options.applyRecipe = [&](const std::string& name, Event& e) {
    applied.push_back(name);
    e.presetName = name;
    return true;
  };
  ASSERT_EQ(ImportTraceEvents(a, below, options), 1);
  EXPECT_EQ(below.events[0].shape, ShapeType::Bloom);
  EXPECT_FALSE(below.events[0].hasTraceGain);
  EXPECT_EQ(applied, std::vector<std::string>{"swells"});

  Session blooms;
  blooms.traceSummary.opticalDetail = 0.0f;
  a.events[2].presetName = "own";
  applied.clear();
  ASSERT_EQ(ImportTraceEvents(a, blooms, options), 3);
  EXPECT_EQ(blooms.events[2].intensity, a.events[2].intensityCurve);
  EXPECT_EQ(applied, (std::vector<std::string>{"swells", "swells", "own"})) << "an event's own recipe comes first";
}

TEST(TraceSession, MarkersAndScenesBecomeEventsAndScenes) {
  ImportedMarker door, swoosh, skipped;
  door.time = 12.0f, door.keywords = "door slam", door.band = 0.1f;
  swoosh.time = 20.0f, swoosh.shape = 1, swoosh.recipeName = "whooshes";
  skipped.accepted = false;
  Session session;
  session.settings.totalDuration = 90.0f;
  std::vector<std::string> applied;
  const int n = ImportMarkerEvents({door, swoosh, skipped}, session, [&](const std::string& name, Event&) {
    applied.push_back(name);
    return true;
  });
  ASSERT_EQ(n, 2);
  EXPECT_EQ(session.events[0].shape, ShapeType::Spot);
  EXPECT_FLOAT_EQ(session.events[0].weightCenter, 0.1f);
  EXPECT_EQ(session.events[0].keywords, "door slam");
  EXPECT_EQ(session.events[1].shape, ShapeType::Bloom);
  EXPECT_FLOAT_EQ(session.events[1].syncOffset, 1.0f);
  EXPECT_EQ(applied, std::vector<std::string>{"whooshes"});

  AddImportedScenes({{40.0f, "Chase", "night rain"}, {10.0f, "Opening", ""}}, session);
  ASSERT_EQ(session.scenes.size(), 2u);
  EXPECT_EQ(session.scenes[0].name, "Opening");
  EXPECT_FLOAT_EQ(session.scenes[0].outTime, 40.0f);
  EXPECT_EQ(session.scenes[1].keywords, "night rain");
  EXPECT_FLOAT_EQ(session.scenes[1].outTime, 90.0f);
}

TEST(TraceSession, ProjectCopyRestoresFramesEventsAndPlacement) {
  TraceAnalyzer a;
  finishedRead(a);
  for (auto& f : a.frames) f.accentThr = 0.05f;
  DemoteBackgroundEvents(a);
  AssignShotsAndSalience(a);
  TraceSummary summary;
  summary.opticalDetail = 0.6f;
  StoreTraceSummary(a, summary);
  EXPECT_FLOAT_EQ(summary.opticalDetail, 0.6f) << "the slice setting belongs to the session";
  EXPECT_EQ(summary.numFrames, 60);
  EXPECT_FLOAT_EQ(summary.frames[10][8], 1.0f) << "composite is the ninth stored column";

  TraceAnalyzer b;
  RestoreTraceSummary(summary, b);
  EXPECT_TRUE(b.ready.load());
  EXPECT_EQ(b.framesProcessed.load(), 60);
  ASSERT_EQ(b.events.size(), a.events.size());
  for (size_t i = 0; i < a.events.size(); ++i) {
    EXPECT_FLOAT_EQ(b.events[i].time, a.events[i].time);
    EXPECT_EQ(b.events[i].accepted, a.events[i].accepted);
    EXPECT_EQ(b.events[i].layer, a.events[i].layer);
    EXPECT_FLOAT_EQ(b.events[i].sliceValue, a.events[i].sliceValue);
    EXPECT_FLOAT_EQ(b.events[i].depthSalience, a.events[i].depthSalience);
  }
  EXPECT_EQ(b.events[2].intensityCurve, a.events[2].intensityCurve);

  // A damaged project's copy: absurd rate, times and counts read without harm.
  TraceSummary damaged = summary;
  damaged.fps = 1e30f;
  damaged.numFrames = 1 << 30;
  damaged.events[0].time = std::nanf("");
  damaged.events[1].time = 1e30f;
  damaged.frames[3][0] = -1e30f;
  TraceAnalyzer c;
  RestoreTraceSummary(damaged, c);
  EXPECT_FLOAT_EQ(c.analysisFps, 10.0f);
  EXPECT_EQ(c.frames.size(), 60u);
  Session session;
  session.traceSummary.opticalDetail = 0.0f;
  ImportTraceEvents(c, session, {});
  EXPECT_EQ(TraceTimecode(1e30f, 0.0f, 1e30f), "277777:46:40:00") << "held to 1e9 s at a million frames a second";
}

}  // namespace
}  // namespace vn
