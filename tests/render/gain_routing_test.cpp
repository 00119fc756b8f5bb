#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "render/bus_balance.h"
#include "render/cache_integrity.h"
#include "render/gain_staging.h"
#include "render/stream_layer.h"
#include "render/track_routing.h"

namespace vn {
namespace {

using test::LogCapture;

RenderedBlock block(int eventIdx, float start, float duration, float peak, float baseGain = 1.0f) {
  RenderedBlock b;
  b.eventIdx = eventIdx;
  b.start = start;
  b.duration = duration;
  b.baseGain = baseGain;
  b.mixGain = 0.123f;  // overwritten by the reset
  b.peaks.fill(peak);
  return b;
}

Layer layerAt(int eventIdx, float start, float duration, int group = 0, const char* name = "x") {
  Layer l;
  l.eventIdx = eventIdx;
  l.startTime = start;
  l.duration = duration;
  l.group = group;
  l.name = name;
  return l;
}

TEST(GainStaging, BaseGainAndEqualPowerPerEvent) {
  Layer l;
  l.weight = 0.7f;
  EXPECT_FLOAT_EQ(layerBaseGain(l), 1.0f);
  l.weight = 0.85f;
  EXPECT_FLOAT_EQ(layerBaseGain(l), 0.7f);
  l.weight = 1.0f;
  EXPECT_FLOAT_EQ(layerBaseGain(l), 0.7f);
  l.weight = 0.775f;
  EXPECT_NEAR(layerBaseGain(l), 0.85f, 1e-6);
  l.layerGain = 0.5f;
  l.userVolume = 2.0f;
  EXPECT_NEAR(layerBaseGain(l), 0.85f, 1e-6);

  std::array<float, kMaxBusses> bus;
  bus.fill(1.0f);
  RenderCache cache;
  // Two layers of one event at gain 1 share their power; quiet peaks stay under the ceiling.
  appendBlock(cache, block(0, 0.0f, 1.0f, 0.1f), 0, 0);
  appendBlock(cache, block(0, 0.0f, 1.0f, 0.1f), 0, 0);
  appendBlock(cache, block(1, 2.0f, 1.0f, 0.1f, 0.5f), 0, 0);
  const uint64_t generation = cache.generation.load();
  finaliseCache(cache, true, bus, 1.0f);
  EXPECT_NEAR(cache.blocks[0].mixGain, 0.70710678f, 1e-6);
  EXPECT_NEAR(cache.blocks[1].mixGain, 0.70710678f, 1e-6);
  EXPECT_FLOAT_EQ(cache.blocks[2].mixGain, 0.5f);  // alone and under unit power
  EXPECT_EQ(cache.generation.load(), generation + 1);
  EXPECT_TRUE(cache.ready.load());
}

TEST(GainStaging, CeilingFollowsTheMasterGain) {
  std::array<float, kMaxBusses> bus;
  bus.fill(1.0f);
  RenderCache cache;
  appendBlock(cache, block(0, 0.0f, 1.0f, 1.0f), 0, 0);
  appendBlock(cache, block(1, 0.5f, 1.0f, 1.0f), 0, 0);  // overlaps the first from 0.5 s
  finaliseCache(cache, true, bus, 1.0f);
  // Loudest instant: 1 + 1 = 2, held at 0.7.
  EXPECT_NEAR(cache.blocks[0].mixGain, 0.35f, 1e-5);
  finaliseCache(cache, true, bus, 2.0f);
  EXPECT_NEAR(cache.blocks[0].mixGain, 0.175f, 1e-5);
  // A block that is muted does not count; a bus gain does.
  cache.blocks[1].muted = true;
  bus[0] = 0.5f;
  finaliseCache(cache, true, bus, 1.0f);
  EXPECT_FLOAT_EQ(cache.blocks[0].mixGain, 1.0f);
  // Blocks that only touch (one ends where the other starts) never add up.
  RenderCache touching;
  appendBlock(touching, block(0, 0.0f, 1.0f, 0.5f), 0, 0);
  appendBlock(touching, block(1, 1.0f, 1.0f, 0.5f), 0, 0);
  bus.fill(1.0f);
  finaliseCache(touching, true, bus, 1.0f);
  EXPECT_FLOAT_EQ(touching.blocks[0].mixGain, 1.0f);
}

TEST(BusBalance, GainRules) {
  EXPECT_NEAR(busBalanceGain(-49.0f, 0.01f, -24.0f), std::pow(10.0f, 18.0f / 20.0f), 1e-4);  // +25 asked, +18 given
  EXPECT_NEAR(busBalanceGain(-30.0f, 0.5f, -10.0f), 1.782f, 1e-3);  // the peak limit
  EXPECT_FLOAT_EQ(busBalanceGain(-95.0f, 0.5f, -24.0f), 1.0f);
  EXPECT_NEAR(busBalanceGain(0.0f, 0.0f, -40.0f), std::pow(10.0f, -30.0f / 20.0f), 1e-6);

  Session session;
  session.settings.normalizeLUFS = true;
  session.trackLayout.busses[1].targetLUFS = -30.0f;
  Layer l = layerAt(0, 0.0f, 2.0f, 1);
  l.id = 7;
  session.results.push_back(l);
  RenderCache cache;
  RenderedBlock b = block(0, 0.0f, 2.0f, 0.1f);
  b.layerId = 7;
  b.bus = 5;  // stale: taken from the layer
  b.left.resize(96000);
  for (size_t i = 0; i < b.left.size(); ++i) b.left[i] = 0.1f * std::sin(2.0f * 3.14159265f * 1000.0f * i / 48000.0f);
  b.right = b.left;
  appendBlock(cache, b, 0, 0);
  balanceBusses(cache, session);
  EXPECT_EQ(cache.blocks[0].bus, 1);
  EXPECT_NEAR(cache.blocks[0].loudness, -20.0f + 0.0f, 0.2f);  // 0.1 peak sine pair: -20 LUFS
  EXPECT_NEAR(20.0f * std::log10(cache.blocks[0].normGain), -10.0f, 0.2f);
  EXPECT_FLOAT_EQ(session.results[0].normGain, cache.blocks[0].normGain);
  session.settings.normalizeLUFS = false;
  balanceBusses(cache, session);
  EXPECT_EQ(cache.blocks[0].normGain, 1.0f);
  EXPECT_EQ(session.results[0].normGain, 1.0f);
}

TEST(CacheIntegrity, FailsAtTheFirstStaleBlockAndCountsOrphans) {
  std::vector<Layer> layers{layerAt(0, 0, 1), layerAt(0, 0, 1), layerAt(1, 0, 1)};
  for (uint32_t i = 0; i < layers.size(); ++i) {
    layers[i].id = 10 + i;
    layers[i].filepath = "/x.wav";
  }
  RenderCache cache;
  for (int i = 0; i < 3; ++i) {
    RenderedBlock b;
    b.layerIdx = i;
    b.layerId = 10 + i;
    b.eventIdx = layers[i].eventIdx;
    appendBlock(cache, b, 0, 0);
  }
  std::atomic<bool> deferred{false};
  LogCapture log;
  EXPECT_TRUE(checkCacheIntegrity(cache, layers, 2, deferred));
  EXPECT_TRUE(log.out.empty());
  // The second layer is deleted: the block at position 1 now points at another layer.
  layers.erase(layers.begin() + 1);
  EXPECT_FALSE(checkCacheIntegrity(cache, layers, 2, deferred));
  EXPECT_TRUE(deferred.load());
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0], "[Cache] Integrity check failed at block 1, deferring rebuild\n");
  // A layer without a block is an orphan; one that can make no block is not.
  layers = {layerAt(0, 0, 1), layerAt(0, 0, 1), layerAt(0, 0, 1)};
  layers[0].id = 10;
  layers[1].filepath = "/y.wav";
  layers[2].placeholder = true;
  cache.blocks.resize(1);
  cache.fadeIns.resize(1);
  cache.fadeOuts.resize(1);
  cache.blocks[0].eventIdx = 0;
  deferred = false;
  EXPECT_FALSE(checkCacheIntegrity(cache, layers, 1, deferred));
  EXPECT_EQ(log.out.back(), "[Cache] 2 orphaned results, deferring rebuild\n");
  EXPECT_TRUE(deferred.load());
}

TEST(TrackRouting, RerouteAllocateAndGlobalTracks) {
  Session s;
  Event spot;  // Spot: home bus id 1 -> position 1
  s.events.push_back(spot);
  Event fill;
  fill.shape = ShapeType::Fill;  // home bus id 0
  s.events.push_back(fill);
  s.results = {layerAt(0, 0.0f, 1.0f, 1), layerAt(0, 0.5f, 1.0f, 1), layerAt(0, 1.5f, 1.0f, 1),
               layerAt(1, 0.0f, 4.0f, 9)};
  LogCapture log;
  EXPECT_EQ(rerouteStaleLayers(s), 1);  // the layer on a bus that no longer exists
  EXPECT_EQ(s.results[3].group, 0);
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0], "[Layout] re-routed 1 block(s) whose bus had gone stale\n");

  const auto tracks = allocateBusTracks(s.results);
  EXPECT_EQ(tracks[1], 2);
  EXPECT_EQ(s.results[0].groupTrack, 0);
  EXPECT_EQ(s.results[1].groupTrack, 1);  // overlaps the first
  EXPECT_EQ(s.results[2].groupTrack, 0);  // the first has ended (within 0.03 s)
  EXPECT_EQ(tracks[0], 1);

  // Display order 1, 0, 2: bus 1 comes first; bus 0 starts after bus 1's tracks,
  // which the bus declares as five through its slots.
  s.trackLayout.busOrder[0] = 1;
  s.trackLayout.busOrder[1] = 0;
  s.trackLayout.busses[1].slots = {BusSlot{3, 1, ""}, BusSlot{2, 0, ""}};
  assignGlobalTracks(s, tracks);
  EXPECT_EQ(s.results[1].track, 1);
  EXPECT_EQ(s.results[3].track, 5);
  s.results[3].group = -1;
  assignGlobalTracks(s, tracks);
  EXPECT_EQ(s.results[3].track, -1);

  TrackLayoutState state;
  rerouteAndRepack(s, state);
  const uint64_t g = state.generation.load();
  EXPECT_NE(state.layoutHash, 0u);
  rerouteAndRepack(s, state);
  EXPECT_EQ(state.generation.load(), g);  // nothing moved
  s.results[2].startTime = 2.0f;
  rerouteAndRepack(s, state);
  EXPECT_EQ(state.generation.load(), g + 1);
  EXPECT_EQ(busTrackCounts(s.results)[1], 2);
}

TEST(TrackRouting, OverlapReportListsEightAndCountsTheRest) {
  std::vector<Layer> layers;
  for (int i = 0; i < 10; ++i) {
    Layer l = layerAt(i, 0.5f * i, 1.0f, 0, "hit");
    l.track = 3;
    layers.push_back(l);
  }
  Layer quiet = layerAt(0, 0.2f, 5.0f, 0, "muted");
  quiet.track = 3;
  quiet.muted = true;
  layers.push_back(quiet);
  LogCapture log;
  EXPECT_EQ(reportOverlaps(layers, "RepackAllTracks"), 9);
  ASSERT_EQ(log.out.size(), 9u);
  EXPECT_EQ(log.out[0],
            "[Layout] OVERLAP on track 3 (RepackAllTracks): \"hit\" (event 0, bus 0) runs to 1.000s but \"hit\" "
            "(event 1, bus 0) starts at 0.500s - 0.500s of overlap\n");
  EXPECT_EQ(log.out[8], "[Layout] \u2026and 1 more overlapping pair(s)\n");
  // A 0.03 s touch is no overlap.
  std::vector<Layer> touching{layerAt(0, 0.0f, 1.0f), layerAt(1, 0.98f, 1.0f)};
  touching[0].track = touching[1].track = 0;
  EXPECT_EQ(reportOverlaps(touching, "x"), 0);
}

TEST(TrackRouting, LayoutHashFollowsTheFormula) {
  // Golden values worked out by hand from the formula: FNV-1a 64 from the layer count
  // XOR 0x14650FB0739D0383 over group + 1, groupTrack + 1, and the start and duration
  // in whole milliseconds.
  EXPECT_EQ(layoutHashOf({}), 0x14650FB0739D0383ULL);
  std::vector<Layer> one{layerAt(0, 1.5f, 2.25f, 2)};
  one[0].groupTrack = 1;
  EXPECT_EQ(layoutHashOf(one), 0xD03F5A8FC2F43485ULL);
  // Milliseconds are truncated, not rounded.
  std::vector<Layer> early{layerAt(0, 0.0015f, 1.0f, 0)};
  EXPECT_EQ(layoutHashOf(early), 0x28B009A081C037B9ULL);
  std::vector<Layer> two{layerAt(0, 0.25f, 1.0f, 0), layerAt(1, 10.0f, 0.5f, 1)};
  two[1].groupTrack = 3;
  EXPECT_EQ(layoutHashOf(two), 0x01AC1AAA123712ABULL);
  std::swap(two[0], two[1]);  // the order of the layers counts
  EXPECT_EQ(layoutHashOf(two), 0xBE0645AE9617F34FULL);
}

}  // namespace
}  // namespace vn
