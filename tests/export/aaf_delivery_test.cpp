// The AAF ships the fitted delivery: the fit's tracks in their channels, each layer
// one clip of its Rendered block at its delivery start, each comp one clip of its
// rendered audio; and the session as it is when there is no fit to follow.
#include <gtest/gtest.h>

#include <cmath>

#include "export/aaf_delivery.h"
#include "export/delivery_fixtures.h"

namespace vn {
namespace {

constexpr std::array<float, 5> kLow{0.5f, 0.3f, 0.1f, 0.05f, 0.05f};
constexpr std::array<float, 5> kHigh{0.02f, 0.03f, 0.15f, 0.4f, 0.4f};

TEST(AafDelivery, FittedTracksCarryCompsAndLayersWhereTheFitPlacedThem) {
  Session s = test::deliverySession(2);
  const int a = test::addFitLayer(s, 0, 1.0f, 2.0f, kLow);
  const int ev = s.results[a].eventIdx;
  test::addFitLayer(s, 0, 1.2f, 2.0f, kLow, ev);
  test::addFitLayer(s, 0, 1.4f, 1.5f, kLow, ev);
  const int free = test::addFitLayer(s, 1, 0.5f, 3.0f, kHigh);
  const int silent = test::addFitLayer(s, 1, 4.0f, 1.0f, kHigh);
  s.trackLayout.busses[0].slots = {{1, static_cast<int>(ChannelFormat::Stereo), {}}};
  test::routeLayers(s);
  RenderCache cache;
  test::fillCache(cache, s, 48000, {silent});

  const DeliveryResult fit = fitDelivery(s, cache, {});
  ASSERT_TRUE(fit.aligned);
  ASSERT_EQ(fit.comps.size(), 1u);
  const std::vector<DeliveryTrack> tracks = aafDeliveryTracks(s, cache, &fit, 0.0f);
  ASSERT_EQ(tracks.size(), 2u);

  // The declared track: the comp alone, with its audio and members.
  const DeliveryTrack& declared = tracks[0];
  EXPECT_EQ(declared.name, fit.tracks[0].name);
  EXPECT_EQ(declared.channels, 2);
  ASSERT_EQ(declared.clips.size(), 1u);
  const DeliveryClip& comp = declared.clips[0];
  EXPECT_TRUE(comp.isComp());
  EXPECT_EQ(comp.compName, fit.comps[0].name);
  EXPECT_EQ(comp.compMembers.size(), 3u);
  EXPECT_EQ(comp.compAudio, fit.comps[0].audio);
  EXPECT_EQ(comp.position, 48000);
  EXPECT_EQ(comp.length, static_cast<int64_t>(fit.comps[0].audio[0].size()));

  // The free bus: its layer's block at the layer's start; the layer without audio is left out.
  const DeliveryTrack& freeBus = tracks[1];
  ASSERT_EQ(freeBus.clips.size(), 1u);
  const DeliveryClip& layer = freeBus.clips[0];
  ASSERT_FALSE(layer.isComp());
  EXPECT_EQ(cache.blocks[layer.block].layerIdx, free);
  EXPECT_EQ(layer.position, 24000);
  EXPECT_EQ(layer.length, static_cast<int64_t>(cache.blocks[layer.block].left.size()));

  // Without a fit every layer with audio ships on its own, no comps.
  const std::vector<DeliveryTrack> asItIs = aafDeliveryTracks(s, cache, nullptr, 0.0f);
  size_t clips = 0;
  for (const DeliveryTrack& t : asItIs)
    for (const DeliveryClip& c : t.clips) {
      EXPECT_FALSE(c.isComp());
      EXPECT_NE(cache.blocks[c.block].layerIdx, silent);
      ++clips;
    }
  EXPECT_EQ(clips, 4u);
}

}  // namespace
}  // namespace vn
