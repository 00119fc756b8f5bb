#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "builder/build_run.h"
#include "builder/fill_chunks.h"
#include "builder/placeholder.h"
#include "platform/log.h"
#include "build_fixtures.h"

namespace vn {
namespace {

Event flatEvent(float time, float duration, ShapeType shape, float intensity) {
  Event ev = test::eventAt(time, duration, shape);
  ev.intensity = flatCurve(intensity);
  return ev;
}

Session mixedSession() {
  Session s;
  s.events.push_back(flatEvent(1.0f, 1.0f, ShapeType::Spot, 0.8f));
  Event bloom = flatEvent(3.0f, 4.0f, ShapeType::Bloom, 0.6f);
  for (int i = 0; i < kCurvePoints; ++i) bloom.weight[i] = 0.2f + 0.6f * static_cast<float>(i) / 255.0f;
  s.events.push_back(bloom);
  s.events.push_back(flatEvent(8.0f, 3.0f, ShapeType::Contour, 0.9f));
  s.events.push_back(flatEvent(0.0f, 12.0f, ShapeType::Fill, 0.5f));
  s.events.push_back(flatEvent(12.0f, 2.0f, ShapeType::Scatter, 0.7f));
  Event alloy = flatEvent(15.0f, 1.5f, ShapeType::Spot, 0.6f);
  alloy.alloy = true;
  for (int i = 0; i < kCurvePoints; ++i) alloy.weight[i] = static_cast<float>(i) / 255.0f;
  s.events.push_back(alloy);
  return s;
}

BuildOptions at(uint32_t seed, int64_t now = 1'700'000'000) {
  BuildOptions o;
  o.seed = seed;
  o.nowSeconds = now;
  return o;
}

// The fields a listener would hear differ in.
std::vector<std::string> fingerprint(const Session& s) {
  std::vector<std::string> out;
  for (const auto& l : s.results)
    out.push_back(l.filepath + "|" + std::to_string(l.startTime) + "|" + std::to_string(l.duration) + "|" +
                  std::to_string(l.sourceOffset) + "|" + std::to_string(l.weight));
  return out;
}

class BuildEngine : public ::testing::Test {
 protected:
  test::TempDir dir;
  Library lib = test::syntheticLibrary(dir, "Main", 40);
  const Library* libs[1] = {&lib};
};

TEST_F(BuildEngine, SameSeedSameSecondRepeatsAndOtherSeedsDiffer) {
  Session a = mixedSession(), b = mixedSession(), c = mixedSession();
  BuildEngineState sa, sb, sc;
  buildEvents(a, libs, sa, at(7));
  buildEvents(b, libs, sb, at(7));
  buildEvents(c, libs, sc, at(8));
  ASSERT_FALSE(a.results.empty());
  EXPECT_EQ(fingerprint(a), fingerprint(b));
  EXPECT_NE(fingerprint(a), fingerprint(c));
  Session later = mixedSession();
  BuildEngineState sl;
  buildEvents(later, libs, sl, at(7, 1'700'000'001));
  EXPECT_NE(fingerprint(a), fingerprint(later));
}

TEST_F(BuildEngine, LayersKeepTheRenderContract) {
  Session s = mixedSession();
  BuildEngineState state;
  const BuildSummary summary = buildEvents(s, libs, state, at(1));
  EXPECT_EQ(summary.eventsBuilt, 6);
  EXPECT_EQ(summary.placeholders, 0);
  EXPECT_TRUE(summary.status.empty());
  std::set<uint32_t> ids;
  int lastEvent = -1;
  std::set<int> finished;
  for (const auto& l : s.results) {
    EXPECT_TRUE(ids.insert(l.id).second) << "duplicate id";
    ASSERT_GE(l.eventIdx, 0);
    ASSERT_LT(l.eventIdx, static_cast<int>(s.events.size()));
    if (l.eventIdx != lastEvent) {  // layers of one event are contiguous
      EXPECT_FALSE(finished.count(l.eventIdx));
      if (lastEvent >= 0) finished.insert(lastEvent);
      lastEvent = l.eventIdx;
    }
    EXPECT_GE(l.group, 0);
    EXPECT_LT(l.group, s.trackLayout.busCount);
    EXPECT_GE(l.duration, 0.1f);
    EXPECT_GE(l.sourceOffset, 0.0f);
    EXPECT_LE(l.fadeIn + l.fadeOut, 0.8f * l.duration + 1e-4f);
    EXPECT_FALSE(l.filepath.empty());
  }
  // Each shape leaves its own kind of layer.
  std::map<int, std::set<int>> modes;
  for (const auto& l : s.results) modes[l.eventIdx].insert(l.procMode);
  EXPECT_EQ(modes[0], std::set<int>{2});
  EXPECT_TRUE(modes[1].count(0));
  EXPECT_EQ(modes[3], std::set<int>{1});
  EXPECT_EQ(modes[5], std::set<int>{3});
  for (const auto& l : s.results) {
    if (l.procMode == 1) {
      ASSERT_FALSE(l.fillChunks.empty());
      const auto& last = l.fillChunks.back();
      EXPECT_EQ(last.s + last.l, static_cast<int>(std::lround(l.duration * 1000.0f)));
      EXPECT_TRUE(l.fillGain.has_value());
    }
    if (l.procMode == 3) {
      EXPECT_FALSE(l.alloyMid.filepath.empty());
      EXPECT_FALSE(l.alloyHigh.filepath.empty());
      EXPECT_FALSE(l.alloyEnv.filepath.empty());
      EXPECT_NE(l.alloyMid.filepath, l.filepath);  // 40 files leave room to differ
    }
    if (l.eventIdx == 1) {  // Bloom layers stay inside their event
      EXPECT_GE(l.startTime, 3.0f - 1e-4f);
      EXPECT_LE(l.startTime + l.duration, 7.0f + 1e-3f);
    }
  }
}

TEST_F(BuildEngine, SpotPlacementPutsTheAttackOnTheEventTime) {
  // One file of 3 s whose onset block starts at 0.1·3 = 0.3 s with a 20 ms rise:
  // attack 0.31 s; region from 0.27 s (40 ms of air), sync 0.04 s;
  // after-sync length 1 + 0.12 → region length 1.16 s.
  // Event at 10 s for 1 s: s0 = 9.96, start = max(9.88, 9.96) = 9.96,
  // end = min(11.12, 9.96 + 1.16) = 11.12 → duration 1.16;
  // fadeIn = max(0.02·1.16, 0.01) = 0.0232; fadeOut = max(0.0464, 0.03, 0.06 cut) = 0.06.
  Library one;
  one.name = "One";
  LibraryRecord r = test::referenceRecord("Impact");
  r.path = dir.file("impact.wav");
  test::writeAll(r.path, "");
  r.duration = 3.0f;
  r.onsetPosition = 0.1f;
  r.attackTime = 0.02f;
  r.brightness = 0.5f;
  one.records.push_back(r);
  const Library* only[] = {&one};
  Session s;
  s.events.push_back(flatEvent(10.0f, 1.0f, ShapeType::Spot, 0.2f));
  BuildEngineState state;
  buildEvents(s, only, state, at(3));
  ASSERT_EQ(s.results.size(), 1u);
  const Layer& l = s.results[0];
  EXPECT_NEAR(l.startTime, 9.96f, 1e-4f);
  EXPECT_NEAR(l.duration, 1.16f, 1e-4f);
  EXPECT_NEAR(l.sourceOffset, 0.27f, 1e-4f);
  EXPECT_NEAR(l.sourceDuration, 1.16f, 1e-4f);
  EXPECT_NEAR(l.audioSyncOffset, 0.04f, 1e-4f);
  EXPECT_NEAR(l.fadeIn, 0.0232f, 1e-4f);
  EXPECT_NEAR(l.fadeOut, 0.06f, 1e-4f);
  EXPECT_EQ(l.procMode, 2);

  // Intensity 0.5 wants three layers; spread 0.3 fans their weights around
  // w0 = 0.5: 0.5 + (j/2 - 0.5)·0.3·0.5 = 0.425, 0.5, 0.575. The one file comes
  // back (it is long enough for another stretch) rather than a placeholder.
  s.events[0].intensity = flatCurve(0.5f);
  buildEvents(s, only, state, at(3));
  ASSERT_EQ(s.results.size(), 3u);
  EXPECT_NEAR(s.results[0].weight, 0.425f, 1e-5f);
  EXPECT_NEAR(s.results[1].weight, 0.5f, 1e-5f);
  EXPECT_NEAR(s.results[2].weight, 0.575f, 1e-5f);
  for (const auto& layer : s.results) EXPECT_FALSE(layer.placeholder);
}

TEST_F(BuildEngine, PlaceholdersAndTheirStatus) {
  Session s = mixedSession();
  BuildEngineState state;
  BuildSummary none = buildEvents(s, {}, state, at(1));
  ASSERT_GT(none.placeholders, 1);
  EXPECT_EQ(none.status, format("No palette - %d placeholder clips", none.placeholders));
  std::set<std::string> names;
  for (const auto& l : s.results) {
    EXPECT_TRUE(l.placeholder);
    names.insert(l.name);
  }
  EXPECT_EQ(names, (std::set<std::string>{"[Sketch] Spot", "[Sketch] Layer", "[Sketch] Fill", "[Sketch] Scatter",
                                          "[Sketch] Alloy"}));

  Session filtered;
  filtered.events.push_back(flatEvent(0.0f, 1.0f, ShapeType::Spot, 0.2f));
  filtered.events[0].libFilter = "~none~";
  BuildSummary one = buildEvents(filtered, libs, state, at(1));
  EXPECT_EQ(one.status, "Some files unreadable - 1 placeholder clip");
  filtered.events[0].libFilter = "Nothing, Else";
  EXPECT_EQ(buildEvents(filtered, libs, state, at(1)).placeholders, 1);
  filtered.events[0].libFilter = " main ,Else";  // names match without case, items trimmed
  EXPECT_EQ(buildEvents(filtered, libs, state, at(1)).placeholders, 0);
  lib.previousNames = {"Old Main"};
  filtered.events[0].libFilter = "Old Main";
  EXPECT_EQ(buildEvents(filtered, libs, state, at(1)).placeholders, 0);

  // Required and excluded words hold through every attempt: a word nothing has,
  // or one that everything has excluded, leaves a placeholder; a plain word that
  // matches nothing only stops weighing.
  Session words;
  words.events.push_back(flatEvent(0.0f, 1.0f, ShapeType::Bloom, 0.6f));
  for (const char* rejecting : {"+zzzz", "-sound"}) {  // every file is named Sound_<i>
    words.events[0].keywords = rejecting;
    const int placeholders = buildEvents(words, libs, state, at(1)).placeholders;
    EXPECT_GT(placeholders, 0) << rejecting;
    EXPECT_EQ(placeholders, static_cast<int>(words.results.size())) << rejecting;
  }
  words.events[0].keywords = "zzzz";
  EXPECT_EQ(buildEvents(words, libs, state, at(1)).placeholders, 0);
  ASSERT_FALSE(words.results.empty());

  // Files gone since the scan become placeholders instead of silent layers.
  std::filesystem::remove_all(dir.path());
  Session gone;
  gone.events.push_back(flatEvent(0.0f, 1.0f, ShapeType::Spot, 0.2f));
  EXPECT_EQ(buildEvents(gone, libs, state, at(1)).placeholders, 1);
}

TEST_F(BuildEngine, BadEventsAndTinyLibrariesStillBuild) {
  Session s;
  s.events.push_back(flatEvent(1.0f, 0.0f, ShapeType::Spot, 0.5f));
  s.events.push_back(flatEvent(2.0f, -4.0f, ShapeType::Bloom, 0.9f));
  Event nan = flatEvent(std::nanf(""), std::nanf(""), ShapeType::Contour, 0.5f);
  nan.intensity[3] = std::nanf("");
  nan.weight[9] = std::nanf("");
  s.events.push_back(nan);
  Event wild = flatEvent(3.0f, 2.0f, ShapeType::Fill, 7.0f);
  wild.weight = flatCurve(-3.0f);
  wild.weightOffset = 40.0f;
  wild.fillLayers = 99;
  wild.spread = 1e9f;
  s.events.push_back(wild);
  s.events.push_back(flatEvent(5.0f, 1e12f, ShapeType::Scatter, 0.5f));
  Event pinnedMissing = flatEvent(6.0f, 1.0f, ShapeType::Spot, 0.5f);
  pinnedMissing.pinnedFiles = {"/no/such/file.wav"};
  pinnedMissing.pinnedFileIds = {"0123456789abcdef"};
  s.events.push_back(pinnedMissing);
  Event filteredOut = flatEvent(7.0f, 0.0f, ShapeType::Bloom, 0.5f);
  filteredOut.libFilter = "~none~";
  s.events.push_back(filteredOut);

  Library single = test::syntheticLibrary(dir, "Single", 1);
  const Library* tiny[] = {&single};
  for (auto view : {LibraryView(tiny), LibraryView()}) {
    Session copy = s;
    BuildEngineState state;
    buildEvents(copy, view, state, at(5));
    ASSERT_FALSE(copy.results.empty());
    for (const auto& l : copy.results) {
      EXPECT_TRUE(std::isfinite(l.startTime));
      EXPECT_TRUE(std::isfinite(l.duration));
      EXPECT_TRUE(std::isfinite(l.sourceOffset));
      EXPECT_TRUE(std::isfinite(l.weight));
      EXPECT_GE(l.weight, 0.0f);
      EXPECT_LE(l.weight, 1.0f);
    }
    // Swells of no length have no segment (each run is under the 0.08 s
    // minimum), so with sounds to draw from they get no layer. With nothing to
    // draw from, every event gets a placeholder, those swells included.
    std::set<int> events;
    for (const auto& l : copy.results) {
      events.insert(l.eventIdx);
      if (view.empty() || l.eventIdx == 6) {
        EXPECT_TRUE(l.placeholder) << l.eventIdx;
      }
      EXPECT_GE(l.duration, 0.1f) << l.name;
    }
    EXPECT_EQ(events, view.empty() ? (std::set<int>{0, 1, 2, 3, 4, 5, 6}) : (std::set<int>{0, 3, 4, 5, 6}));
    EXPECT_EQ(copy.results.back().eventIdx, 6);
    for (const auto& l : copy.results)
      if (l.eventIdx == 1 || l.eventIdx == 2 || l.eventIdx == 6) {
        EXPECT_EQ(l.name, "[Sketch] Layer");
        if (l.eventIdx != 2) {
          EXPECT_EQ(l.startTime, copy.events[l.eventIdx].time) << l.eventIdx;
        }
      }
  }
}

TEST_F(BuildEngine, RangeLockAndCancel) {
  Session s = mixedSession();
  s.events[1].locked = true;
  BuildEngineState state;
  buildEvents(s, libs, state, at(1));
  Layer kept;
  kept.eventIdx = 1;
  kept.name = "kept by hand";
  s.results.push_back(kept);

  BuildOptions ranged = at(2);
  ranged.rangeStart = 7.5f;
  ranged.rangeEnd = 12.0f;  // events at 8 and 12 (ends included)
  const auto summary = buildEvents(s, libs, state, ranged);
  EXPECT_EQ(summary.eventsBuilt, 2);
  EXPECT_EQ(std::count_if(s.results.begin(), s.results.end(), [](const Layer& l) { return l.name == "kept by hand"; }),
            1);
  // The locked event was never built; it keeps only what it had.
  EXPECT_EQ(std::count_if(s.results.begin(), s.results.end(), [](const Layer& l) { return l.eventIdx == 1; }), 1);

  std::atomic<bool> cancel{true};
  BuildOptions stopped = at(3);
  stopped.cancel = &cancel;
  const auto cancelled = buildEvents(s, libs, state, stopped);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.eventsBuilt, 0);
}

TEST_F(BuildEngine, SpentTimeLimitKeepsOnlyTheFirstLayer) {
  Session s;
  s.events.push_back(flatEvent(1.0f, 1.0f, ShapeType::Spot, 0.8f));  // step(0.8) = 4 layers
  BuildEngineState state;
  BuildRun run(s, libs, state, 1, 100);
  buildEvent(run, 0, 0.0);
  EXPECT_EQ(s.results.size(), 1u);
  buildEvent(run, 0, -1.0);
  EXPECT_EQ(s.results.size(), 5u);
  buildEvent(run, 7, -1.0);  // no such event: nothing happens
  EXPECT_EQ(s.results.size(), 5u);
}

TEST_F(BuildEngine, UserFilesClipBedAndPinned) {
  const std::string hit = dir.file("hit.wav"), bed = dir.file("bed.wav");
  test::writeBurstWav(hit, 2.0f, 0.5f);
  test::writeBurstWav(bed, 1.0f, 0.0f);
  Session s;
  Event clip = flatEvent(1.0f, 1.5f, ShapeType::Clip, 0.5f);
  clip.pinnedFile = hit;
  clip.clipSourceOffset = 0.25f;
  clip.clipWeight = 0.7f;
  clip.clipPitchRate = 2.0f;
  s.events.push_back(clip);
  Event b = flatEvent(0.0f, 3.0f, ShapeType::Bed, 0.5f);
  b.pinnedFiles = {bed, bed, dir.file("missing.wav")};
  b.bedLayerLoop = {true, false};
  b.bedLayerWeight = {0.5f};
  s.events.push_back(b);
  Event pinned = flatEvent(5.0f, 1.0f, ShapeType::Spot, 0.9f);
  pinned.pinnedFiles = {hit};
  pinned.exactLayers = true;
  s.events.push_back(pinned);

  BuildEngineState state;
  BuildOptions all = at(4);
  buildEvents(s, libs, state, all);  // Clip and Bed are locked only by the application
  ASSERT_EQ(s.results.size(), 5u);
  const Layer& c = s.results[0];
  EXPECT_EQ(c.filepath, hit);
  EXPECT_NEAR(c.sourceOffset, 0.25f, 1e-6f);
  EXPECT_NEAR(c.sourceDuration, 1.75f, 1e-4f);  // min(2 - 0.25, 1.5·2)
  EXPECT_NEAR(c.layerGain, 0.7f, 1e-6f);
  EXPECT_NEAR(c.pitchShift, 12.0f, 1e-4f);

  const Layer& looped = s.results[1];
  EXPECT_TRUE(looped.fillLoop);
  EXPECT_NEAR(looped.layerGain, 0.5f, 1e-6f);
  for (const auto& chunk : looped.fillChunks) EXPECT_EQ(chunk.x, 0);  // end to end
  EXPECT_EQ(looped.fillChunks[1].s, 1000 - kFillCrossfadeMs);
  const Layer& shuffled = s.results[2];
  std::set<int> starts;
  for (const auto& chunk : shuffled.fillChunks) starts.insert(chunk.x);
  EXPECT_GT(starts.size(), 1u);
  EXPECT_EQ(s.results[3].name, "[Sketch] Wash");

  // The liked file alone (exact layers), probed from disk: its burst at 0.5 s
  // is found and lands on the event's time.
  const Layer& p = s.results[4];
  EXPECT_EQ(p.filepath, hit);
  EXPECT_NEAR(p.startTime + p.audioSyncOffset, 5.0f, 1e-4f);
  EXPECT_NEAR(p.sourceOffset + p.audioSyncOffset, 0.5f, 0.05f);
}

}  // namespace
}  // namespace vn
