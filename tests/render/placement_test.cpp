#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/session.h"
#include "render/placement.h"
#include "render/render_cache.h"
#include "render/spatial_layout.h"

namespace vn {
namespace {

constexpr float kDeg = std::numbers::pi_v<float> / 180.0f;

TEST(Placement, StereoPanLaw) {
  // Mono at the centre: -3 dB each side; fully left at +90 degrees.
  StereoGains g = stereoPanGains(0.0f, 0.0f, false, 1.0f);
  EXPECT_NEAR(g.ll, 0.70710678f, 1e-6);
  EXPECT_NEAR(g.lr, 0.70710678f, 1e-6);
  g = stereoPanGains(90.0f * kDeg, 0.0f, false, 1.0f);
  EXPECT_NEAR(g.ll, 1.0f, 1e-6);
  EXPECT_NEAR(g.lr, 0.0f, 1e-6);
  // Amount above 2 is held at 2, so 30 degrees still reaches hard left.
  g = stereoPanGains(30.0f * kDeg, 0.0f, false, 5.0f);
  EXPECT_NEAR(g.ll, 1.0f, 1e-6);
  // A stereo pair at amount 0 passes through whatever the azimuth.
  g = stereoPanGains(-70.0f * kDeg, 0.6f, true, 0.0f);
  EXPECT_NEAR(g.ll, 1.0f, 1e-6);
  EXPECT_NEAR(g.lr, 0.0f, 1e-6);
  EXPECT_NEAR(g.rl, 0.0f, 1e-6);
  EXPECT_NEAR(g.rr, 1.0f, 1e-6);
  // At amount 1 and width 0 both inputs sit at the azimuth.
  g = stereoPanGains(0.0f, 0.0f, true, 1.0f);
  EXPECT_NEAR(g.ll, g.rl, 1e-6);
  EXPECT_NEAR(g.lr, g.rr, 1e-6);
  // Power is kept for every input.
  for (float az : {-1.0f, 0.3f, 1.2f}) {
    g = stereoPanGains(az, 0.4f, true, 0.7f);
    EXPECT_NEAR(g.ll * g.ll + g.lr * g.lr, 1.0f, 1e-5);
    EXPECT_NEAR(g.rl * g.rl + g.rr * g.rr, 1.0f, 1e-5);
  }
}

TEST(Placement, ManualPlacementFromPanXY) {
  Placement p = manualPlacement(0.0f, 1.0f, 0.0f, 0.3f);
  EXPECT_NEAR(p.azimuth, 0.0f, 1e-6);
  EXPECT_NEAR(p.distance, 1.0f, 1e-6);
  EXPECT_TRUE(p.manual);
  EXPECT_NEAR(p.width, 35.0f * kDeg, 1e-6);
  // At the listener: distance 0, so a mono source sits in the centre and a
  // stereo source keeps its channels.
  p = manualPlacement(0.0f, 0.0f, 0.0f, 0.3f);
  EXPECT_EQ(p.distance, 0.0f);
  EXPECT_NEAR(p.frontBack, 0.5f, 1e-6);
  StereoGains g = stereoPanGains(p.azimuth, p.width, false, panAmount(p, 0.9f));
  EXPECT_NEAR(g.ll, g.lr, 1e-6);
  g = stereoPanGains(p.azimuth, p.width, true, panAmount(p, 0.9f));
  EXPECT_NEAR(g.ll, 1.0f, 1e-6);
  EXPECT_NEAR(g.rr, 1.0f, 1e-6);
  // panX to the right gives a negative azimuth; panZ lifts it.
  p = manualPlacement(0.5f, 0.5f, 1.0f, 0.0f);
  EXPECT_NEAR(p.azimuth, -45.0f * kDeg, 1e-5);
  EXPECT_NEAR(p.elevation, 90.0f * kDeg, 1e-5);
  EXPECT_NEAR(p.distance, std::sqrt(0.5f), 1e-6);

  Event e;
  e.panManual = true;
  e.panX = -1.0f;
  e.panY = 0.0f;
  EXPECT_NEAR(placeBlock(e, 7, 0, std::nullopt).azimuth, 90.0f * kDeg, 1e-5);

  // Editing an event's placement moves its blocks and no others.
  RenderCache cache;
  RenderedBlock mine, other;
  mine.eventIdx = 2;
  other.eventIdx = 3;
  appendBlock(cache, mine, 0, 0);
  appendBlock(cache, other, 0, 0);
  placeEventBlocks(cache, e, 2);
  EXPECT_NEAR(cache.blocks[0].placement.azimuth, 90.0f * kDeg, 1e-5);
  EXPECT_TRUE(cache.blocks[0].placement.manual);
  EXPECT_FALSE(cache.blocks[1].placement.manual);
}

TEST(Placement, AutomaticPlacementIsSeededAndShapedBySpectrum) {
  const Placement a = automaticPlacement(12345, 3, 0.5f, std::nullopt);
  const Placement b = automaticPlacement(12345, 3, 0.5f, std::nullopt);
  EXPECT_EQ(a.azimuth, b.azimuth);
  EXPECT_FALSE(a.manual);
  EXPECT_EQ(a.distance, 1.0f);
  EXPECT_EQ(a.elevation, 0.0f);
  // seed = 12345*40503 ^ 3*0x9E3779B1 ^ 0x9E3779B9; r from bits 8..23 of seed*3635633.
  const uint32_t seed = (12345u * 40503u) ^ (3u * 0x9E3779B1u) ^ 0x9E3779B9u;
  const float r = static_cast<float>(((seed * 3635633u) >> 8) & 0xFFFFu) / 65535.0f;
  EXPECT_NEAR(a.azimuth, (2 * r - 1) * 40.0f * kDeg * (0.3f + 0.7f * 0.5f), 1e-6);
  EXPECT_NEAR(a.width, 50.0f * kDeg * (0.35f + 0.65f * 0.5f), 1e-6);
  // Different layers spread out.
  int distinct = 0;
  for (uint32_t s = 1; s < 20; ++s) distinct += automaticPlacement(s, 0, 1.0f, std::nullopt).azimuth != a.azimuth;
  EXPECT_GT(distinct, 15);
  // A bass-heavy profile narrows the azimuth range by half.
  const Placement bass = automaticPlacement(12345, 3, 0.5f, std::array<float, 5>{1.0f, 0.0f, 0.0f, 0.0f, 0.0f});
  EXPECT_NEAR(bass.azimuth, (2 * r - 1) * 40.0f * kDeg * (0.3f + 0.7f * 0.25f), 1e-6);
  // A silent profile is ignored.
  const Placement flat = automaticPlacement(12345, 3, 0.5f, std::array<float, 5>{});
  EXPECT_EQ(flat.azimuth, a.azimuth);
}

TEST(Placement, RingPannerSharesBetweenNeighbours) {
  std::array<float, kMaxLayoutChannels> g{};
  // Exactly on a speaker: that speaker gets the whole gain.
  ringPan(SpatialLayout::Surround51, SpeakerRing::EarLevel, 110.0f * kDeg, 1.0f, g);
  EXPECT_NEAR(g[4], 1.0f, 1e-5);
  float others = 0;
  for (int i = 0; i < 6; ++i) others += i == 4 ? 0.0f : std::fabs(g[i]);
  EXPECT_LT(others, 1e-5f);
  // Half way between C (0) and L (+30): constant power.
  g.fill(0.0f);
  ringPan(SpatialLayout::Surround51, SpeakerRing::EarLevel, 15.0f * kDeg, 1.0f, g);
  EXPECT_NEAR(g[0], 0.70710678f, 1e-5);
  EXPECT_NEAR(g[2], 0.70710678f, 1e-5);
  EXPECT_EQ(g[3], 0.0f);  // never the LFE
  // Stereo layout degenerates to the L/R pair; outside it, the nearer speaker.
  g.fill(0.0f);
  ringPan(SpatialLayout::Stereo, SpeakerRing::EarLevel, 0.0f, 1.0f, g);
  EXPECT_NEAR(g[0], 0.70710678f, 1e-5);
  EXPECT_NEAR(g[1], 0.70710678f, 1e-5);
  g.fill(0.0f);
  ringPan(SpatialLayout::Stereo, SpeakerRing::EarLevel, 90.0f * kDeg, 1.0f, g);
  EXPECT_NEAR(g[0], 1.0f, 1e-6);
  EXPECT_EQ(g[1], 0.0f);
  // Tiny gains do nothing.
  g.fill(0.0f);
  ringPan(SpatialLayout::Stereo, SpeakerRing::EarLevel, 0.0f, 1e-7f, g);
  EXPECT_EQ(g[0] + g[1], 0.0f);
  // Elevation feeds the height ring only where there is one.
  g.fill(0.0f);
  panWithElevation(SpatialLayout::Surround714, 45.0f * kDeg, 90.0f * kDeg, 1.0f, g);
  EXPECT_NEAR(g[8], 1.0f, 1e-5);
  g.fill(0.0f);
  panWithElevation(SpatialLayout::Surround51, 30.0f * kDeg, 90.0f * kDeg, 1.0f, g);
  EXPECT_NEAR(g[0], 1.0f, 1e-5);
}

TEST(Placement, MultichannelGainsMixPlacedAndUnplacedPositions) {
  Placement p;
  p.azimuth = 110.0f * kDeg;
  // Amount 0: a mono source stays on the centre, a stereo pair on L and R.
  ChannelGains g = multichannelGains(SpatialLayout::Surround51, p, false, 0.0f);
  EXPECT_NEAR(g.left[2], 1.0f, 1e-5);
  g = multichannelGains(SpatialLayout::Surround51, p, true, 0.0f);
  EXPECT_NEAR(g.left[0], 1.0f, 1e-5);
  EXPECT_NEAR(g.right[1], 1.0f, 1e-5);
  // Amount 1: the mono source moves to Ls; gains are normalised to unit power.
  g = multichannelGains(SpatialLayout::Surround51, p, false, 1.0f);
  EXPECT_NEAR(g.left[4], 1.0f, 1e-5);
  g = multichannelGains(SpatialLayout::Surround714, p, false, 0.5f);
  float power = 0;
  for (float v : g.left) {
    EXPECT_GE(v, 0.0f);
    power += v * v;
  }
  EXPECT_NEAR(power, 1.0f, 1e-5);
  // A manual height lifts part of the image into the height ring.
  const Placement up = manualPlacement(0.0f, 1.0f, 0.5f, 0.0f);
  g = multichannelGains(SpatialLayout::Surround714, up, false, 1.0f);
  EXPECT_GT(g.left[8] + g.left[9], 0.5f);
}

TEST(Placement, DiffuseShareAndSpatialMode) {
  Placement p;
  p.frontBack = 1.0f;
  p.spreadBase = 1.0f;
  EXPECT_NEAR(diffuseShare(p, 1.0f), 0.67f, 1e-6);  // the cap
  p.frontBack = 0.0f;
  p.spreadBase = 0.0f;
  EXPECT_NEAR(diffuseShare(p, 0.5f), 0.7f * 0.72f * 0.5f * 0.68f, 1e-6);
  EXPECT_EQ(diffuseShare(p, 0.0f), 0.0f);
  EXPECT_EQ(exportSpatialMode(0.5f, 0.0f), 1);
  EXPECT_EQ(exportSpatialMode(0.0f, 0.0f), 0);
  EXPECT_EQ(exportSpatialMode(0.0f, 0.2f), 2);
}

TEST(Placement, LayoutsAndLabels) {
  EXPECT_EQ(layoutChannelCount(SpatialLayout::Surround714), 12);
  EXPECT_EQ(monitorChannelCount({SpatialLayout::Surround714, true}), 2);
  EXPECT_STREQ(monitorFormatLabel({SpatialLayout::Surround714, true}), "Headphones (binaural)");
  EXPECT_STREQ(monitorFormatLabel(monitorFormatFromPrefs(7, false)), "7.1.4");
  EXPECT_EQ(formatChangeLabel(1, 0), "stereo \u2192 mono (folded)");
  EXPECT_EQ(formatChangeLabel(0, 2), "mono \u2192 5.1 (upmixed by the spatialiser)");
  EXPECT_EQ(formatChangeLabel(-1, 1), "");
  EXPECT_EQ(formatChangeLabel(1, 1), "");
  EXPECT_STREQ(speakerRole(9).name, "Rtf");
}

}  // namespace
}  // namespace vn
