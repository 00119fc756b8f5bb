#include <gtest/gtest.h>

#include <algorithm>

#include "export/delivery_fixtures.h"
#include "export/delivery_audio.h"
#include "export/delivery_fit.h"
#include "builder/band_profile.h"
#include "export/delivery_fold_plan.h"
#include "export/delivery_report.h"
#include "support/log_capture.h"

namespace vn {
namespace {

using test::addFitLayer;
using test::deliverySession;
using test::routeLayers;

constexpr std::array<float, 5> kLow{0.5f, 0.3f, 0.1f, 0.05f, 0.05f};
constexpr std::array<float, 5> kLowish{0.45f, 0.35f, 0.1f, 0.05f, 0.05f};
constexpr std::array<float, 5> kHigh{0.02f, 0.03f, 0.15f, 0.4f, 0.4f};

void declare(Session& s, int bus, std::vector<BusSlot> slots) { s.trackLayout.busses[bus].slots = std::move(slots); }

const FoldComp* compHolding(const DeliveryResult& r, int layer) {
  for (const FoldComp& c : r.comps)
    if (std::count(c.members.begin(), c.members.end(), layer)) return &c;
  return nullptr;
}

TEST(DeliveryFit, ThreeOverlappingLayersOfOneEventFoldOntoOneStereoTrack) {
  Session s = deliverySession(2);
  const int a = addFitLayer(s, 0, 1.0f, 2.0f, kLow);
  const int ev = s.results[a].eventIdx;
  addFitLayer(s, 0, 1.2f, 2.0f, kLowish, ev);
  addFitLayer(s, 0, 1.4f, 1.5f, kLow, ev);
  addFitLayer(s, 1, 0.0f, 5.0f, kHigh);  // a free bus ships as it is
  declare(s, 0, {{1, 1, {}}});
  routeLayers(s);

  const DeliveryResult r = planDelivery(s, {});
  ASSERT_TRUE(r.conformed);
  ASSERT_EQ(r.comps.size(), 1u);
  const FoldComp& comp = r.comps[0];
  EXPECT_EQ(comp.members.size(), 3u);
  EXPECT_TRUE(comp.reason == FoldReason::SpectralMerge || comp.reason == FoldReason::EventComp);
  EXPECT_FLOAT_EQ(comp.start, 1.0f);
  EXPECT_FLOAT_EQ(comp.duration, 2.2f);
  EXPECT_EQ(r.folds, 1);
  EXPECT_EQ(r.notFitting, 0);
  EXPECT_EQ(r.tracksBefore, 4);
  EXPECT_EQ(r.tracksAfter, 2);
  EXPECT_TRUE(r.aligned);
  // The bus's single track carries the comp alone; the free bus keeps its layer.
  int onBus0 = 0;
  for (const FittedItem& item : r.items) {
    if (item.bus == 0) {
      ++onBus0;
      EXPECT_EQ(item.comp, 0);
      EXPECT_EQ(item.fmt, 1);
    } else {
      EXPECT_EQ(item.layer, 3);
      EXPECT_EQ(item.slot, -1);
    }
  }
  EXPECT_EQ(onBus0, 1);
  EXPECT_EQ(r.busses[0].used, 1);
  EXPECT_EQ(r.busses[0].folds, 1);
  EXPECT_FALSE(r.busses[1].declares);
  EXPECT_EQ(r.busses[1].sessionTracks, 1);
}

TEST(DeliveryFit, WithoutDeclarationsOrWithSourceChannelsTheSessionShipsAsItIs) {
  Session s = deliverySession(2);
  addFitLayer(s, 0, 0.0f, 2.0f, kLow);
  addFitLayer(s, 0, 0.5f, 2.0f, kLow);
  addFitLayer(s, 1, 0.0f, 1.0f, kHigh);
  s.results[1].muted = true;
  routeLayers(s);
  const Session before = s;

  const DeliveryResult plain = planDelivery(s, {});
  EXPECT_FALSE(plain.conformed);
  EXPECT_EQ(plain.report, "Delivery: no bus declares tracks - the session ships at full width (3 tracks).\n");
  EXPECT_EQ(plain.tracksBefore, 3);
  EXPECT_EQ(plain.tracksAfter, 3);
  ASSERT_EQ(plain.items.size(), 2u);  // the muted layer is not delivered
  for (const FittedItem& item : plain.items) {
    const Layer& l = s.results[item.layer];
    EXPECT_EQ(item.bus, l.group);
    EXPECT_EQ(item.busTrack, l.groupTrack);
    EXPECT_EQ(item.fmt, l.fmt);
  }
  EXPECT_TRUE(plain.comps.empty());
  EXPECT_EQ(s.results.size(), before.results.size());

  declare(s, 0, {{1, 0, {}}});
  FitOptions keep;
  keep.keepSourceChannels = true;
  const DeliveryResult kept = planDelivery(s, keep);
  EXPECT_EQ(kept.report,
            "Delivery: Channels = \"Keep source channels\" - every layer ships with its own channels, at full width "
            "(3 tracks). Nothing folded, nothing converted. Bus declarations apply to \"Conform to layout\" "
            "deliveries and are not used by this export.\n");
  EXPECT_TRUE(kept.comps.empty());
  EXPECT_EQ(kept.items.size(), 2u);
  for (const FittedItem& item : kept.items) EXPECT_EQ(item.fmt, s.results[item.layer].fmt);
  // Conforming the same session folds nothing here (the muted layer does not count) but converts to mono.
  const DeliveryResult conformedFit = planDelivery(s, {});
  EXPECT_TRUE(conformedFit.conformed);
  EXPECT_TRUE(conformedFit.comps.empty());
  for (const FittedItem& item : conformedFit.items) {
    if (item.bus == 0) {
      EXPECT_EQ(item.fmt, 0);
    }
  }
}

TEST(DeliveryFit, FoldTargetFoldsFirstAndNeverFoldStaysOut) {
  Session s = deliverySession(1);
  const std::array<float, 5> close{0.45f, 0.3f, 0.15f, 0.05f, 0.05f};   // 0.07 from kLow
  const std::array<float, 5> further{0.35f, 0.3f, 0.25f, 0.05f, 0.05f}; // 0.21 from kLow
  const int a = addFitLayer(s, 0, 0.0f, 2.0f, kLow);
  const int b = addFitLayer(s, 0, 0.0f, 2.0f, close);
  const int c = addFitLayer(s, 0, 0.0f, 2.0f, further);
  declare(s, 0, {{2, 1, {}}});
  routeLayers(s);

  DeliveryResult r = planDelivery(s, {});
  ASSERT_EQ(r.comps.size(), 1u);
  EXPECT_NE(compHolding(r, a), nullptr);
  EXPECT_NE(compHolding(r, b), nullptr);
  EXPECT_EQ(compHolding(r, c), nullptr);

  s.results[c].foldTarget = static_cast<int>(s.results[a].id);
  r = planDelivery(s, {});
  ASSERT_EQ(r.comps.size(), 1u);
  EXPECT_NE(compHolding(r, a), nullptr);
  EXPECT_NE(compHolding(r, c), nullptr);
  EXPECT_EQ(compHolding(r, b), nullptr);

  // A pinned layer is never folded: the other two fold although the pinned one is the closest pair.
  s.results[c].foldTarget = -1;
  s.results[a].foldPin = 1;
  r = planDelivery(s, {});
  ASSERT_EQ(r.comps.size(), 1u);
  EXPECT_EQ(compHolding(r, a), nullptr);
  EXPECT_EQ(r.notFitting, 0);

  // With every layer pinned nothing folds and what has no track is not delivered.
  for (Layer& l : s.results) l.foldPin = 1;
  r = planDelivery(s, {});
  EXPECT_TRUE(r.comps.empty());
  EXPECT_EQ(r.notFitting, 1);
  EXPECT_EQ(r.busses[0].notFitting, 1);
  EXPECT_NE(r.report.find("\n*** WARNING: 1 layer could not be placed and are NOT in this\ndelivery."),
            std::string::npos);
}

TEST(DeliveryFit, StrategiesFollowTheirConditions) {
  auto reasonFor = [](std::array<float, 5> second, bool sameEvent, bool heroSecond, float secondDuration) {
    Session s = deliverySession(1);
    const int a = addFitLayer(s, 0, 0.0f, 2.0f, kLow);
    addFitLayer(s, 0, 0.1f, secondDuration, second, sameEvent ? s.results[a].eventIdx : -1);
    if (heroSecond) s.events[s.results[1].eventIdx].hero = true;
    declare(s, 0, {{1, 1, {}}});
    routeLayers(s);
    const DeliveryResult r = planDelivery(s, {});
    EXPECT_EQ(r.comps.size(), 1u);
    return r.comps.empty() ? FoldReason::SpectralMerge : r.comps[0].reason;
  };
  // 0.35 apart, same class: never a spectral merge.
  const std::array<float, 5> apart{0.25f, 0.55f, 0.1f, 0.05f, 0.05f};
  ASSERT_GT(spectralDistance(normalisedShares(kLow), normalisedShares(apart)), 0.3f);
  EXPECT_EQ(reasonFor(apart, true, false, 2.0f), FoldReason::EventComp);
  EXPECT_EQ(reasonFor(apart, false, false, 2.0f), FoldReason::CrossEventMerge);
  EXPECT_EQ(reasonFor(kLowish, false, false, 2.0f), FoldReason::SpectralMerge);
  EXPECT_EQ(reasonFor(kLowish, false, false, 0.5f), FoldReason::TransientWithTail);
  EXPECT_EQ(reasonFor(kLowish, false, true, 2.0f), FoldReason::HeroWithNonHero);
  EXPECT_EQ(reasonFor(kHigh, false, false, 2.0f), FoldReason::SeparabilityGivenUp);
}

TEST(DeliveryFit, ReportListsBussesFoldsAndWarnings) {
  Session s = deliverySession(3);
  s.trackLayout.busOrder[0] = 2;
  s.trackLayout.busOrder[2] = 0;
  s.trackLayout.busses[0].name = "Hard FX";
  s.trackLayout.busses[1].name = "Ambience";
  s.trackLayout.busses[2].name = "Foley";
  const int a = addFitLayer(s, 0, 1.0f, 2.0f, kLow);
  addFitLayer(s, 0, 1.5f, 1.0f, kLowish, s.results[a].eventIdx);
  addFitLayer(s, 1, 0.0f, 4.0f, kHigh);
  addFitLayer(s, 2, 0.0f, 1.0f, kHigh, -1, 0);
  declare(s, 0, {{1, 1, "Main"}});
  declare(s, 2, {{1, 0, {}}, {2, 1, {}}});
  routeLayers(s);

  const DeliveryResult r = planDelivery(s, {});
  EXPECT_EQ(r.report,
            "Delivery: 2 busses declare tracks\n"
            "Session 4 tracks -> delivery 3 tracks, 1 fold\n\n"
            "Busses\n"
            "  Foley                declares 1 x mono + 2 x stereo     1 used\n"
            "  Ambience             free  (1 track, as the session)\n"
            "  Hard FX              declares Main 1 x stereo           1 used\n"
            "\nFolds\n"
            "  Fold 1: layer 0 +1  (spectral merge, 2 layers)\n"
            "      layer 0                                      1.00s   2.00s\n"
            "      layer 1                                      1.50s   1.00s\n"
            "\nEvery folded clip carries the Revert-to-Source manifest of its\nmembers, so it can be exploded back "
            "into them - in-project, or from\nthe exported BWAV after a round trip through Pro Tools.\n");
  // The mono layer lands on the mono slot of its bus.
  for (const FittedItem& item : r.items) {
    if (item.bus == 2) {
      EXPECT_EQ(item.slot, 0);
    }
  }

  const Bus& foley = s.trackLayout.busses[2];
  EXPECT_EQ(busPanelSummary(foley, r.busses[2]), "1 x mono + 2 x stereo,  1 used");
  BusFit full{true, 3, 4, 3, 2, 1};
  EXPECT_EQ(busPanelSummary(foley, full), "1 x mono + 2 x stereo,  3 used \u2192 2 folds, 1 OUT");
  full.notFitting = 0;
  full.folds = 1;
  EXPECT_EQ(busPanelSummary(foley, full), "1 x mono + 2 x stereo,  3 used \u2192 1 fold");
  full.notFitting = 2;
  EXPECT_EQ(busTooltipTail(full), "\n\n2 layers won't fit - add tracks.\nClick to preview the delivery");
}

TEST(DeliveryFit, CompsAreRenderedAndSilentMembersShipUnfolded) {
  Session s = deliverySession(1);
  const int a = addFitLayer(s, 0, 1.0f, 1.0f, kLow);
  const int b = addFitLayer(s, 0, 1.25f, 1.0f, kLow, s.results[a].eventIdx);
  const int c = addFitLayer(s, 0, 1.5f, 1.0f, kLow, s.results[a].eventIdx);
  declare(s, 0, {{1, 0, {}}});
  routeLayers(s);

  RenderCache cache;
  test::fillCache(cache, s, 8000);
  DeliveryResult r = fitDelivery(s, cache, {});
  ASSERT_EQ(r.comps.size(), 1u);
  const FoldComp& comp = r.comps[0];
  ASSERT_EQ(comp.audio.size(), 1u);  // the mono slot
  ASSERT_EQ(comp.audio[0].size(), 12000u);
  // Each member starts where it starts in the comp: at a quarter second the second member joins.
  const std::vector<int> blocks = blocksByLayer(cache, s.results);
  const ChannelBuffers first = blockInFormat(cache, blocks[a], 0, 0.0f);
  const ChannelBuffers second = blockInFormat(cache, blocks[b], 0, 0.0f);
  EXPECT_FLOAT_EQ(comp.audio[0][100], first[0][100]);
  EXPECT_NEAR(comp.audio[0][2000 + 500], first[0][2500] + second[0][500], 1e-6f);
  EXPECT_FLOAT_EQ(comp.audio[0][11999], blockInFormat(cache, blocks[c], 0, 0.0f)[0][7999]);

  // Without a block for one member it ships unfolded, and no track is left for it.
  RenderCache partial;
  test::fillCache(partial, s, 8000, {b});
  test::LogCapture log;
  r = fitDelivery(s, partial, {});
  ASSERT_EQ(r.comps.size(), 1u);
  EXPECT_EQ(r.comps[0].members.size(), 2u);
  EXPECT_EQ(log.countStarting("[Delivery] fold member 1 had no cached audio - shipping it unfolded"), 1);
  EXPECT_EQ(r.notFittingLayers, std::vector<int>{b});

  // A comp none of whose members has audio gives every member back.
  RenderCache empty;
  test::LogCapture log2;
  r = fitDelivery(s, empty, {});
  EXPECT_TRUE(r.comps.empty());
  EXPECT_EQ(log2.countStarting("[Delivery] fold comp 1 had no audio - 3 member(s) reverted to unfolded"), 1);
  EXPECT_EQ(r.notFitting, 2);
}

}  // namespace
}  // namespace vn
