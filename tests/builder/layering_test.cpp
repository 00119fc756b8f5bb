#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "builder/layering.h"

namespace vn {
namespace {

Layer layerOf(int eventIdx, float start, float duration, float gain = 1.0f, float weight = 0.5f) {
  Layer l;
  l.eventIdx = eventIdx;
  l.startTime = start;
  l.duration = duration;
  l.layerGain = gain;
  l.weight = weight;
  return l;
}

Session withEvents(int count) {
  Session s;
  for (int i = 0; i < count; ++i) {
    Event ev;
    ev.time = 0.0f;
    ev.duration = 10.0f;
    s.events.push_back(ev);
  }
  return s;
}

TEST(Layering, StaggersLayersThatStartTogether) {
  Session s = withEvents(1);
  s.results = {layerOf(0, 1.000f, 2.0f, 1.0f), layerOf(0, 1.004f, 2.0f, 0.5f), layerOf(0, 1.009f, 2.0f, 0.5f),
               layerOf(0, 3.0f, 1.0f, 1.0f)};
  staggerAndDeconflict(s);
  // Loudest stays; second later by 1/3·0.01 + 0.005 + 0.5·0.015 = 0.015833;
  // third earlier by 0.6·(2/3·0.01 + 0.005 + 0.5·0.015) = 0.0115.
  EXPECT_EQ(s.results[0].deconOffset, 0.0f);
  EXPECT_NEAR(s.results[1].deconOffset, 0.015833f, 1e-5f);
  EXPECT_NEAR(s.results[2].deconOffset, -0.0115f, 1e-5f);
  EXPECT_EQ(s.results[3].deconOffset, 0.0f);  // alone in its group
}

TEST(Layering, DucksCrowdedStretchesButNotHeroes) {
  // Eight equal layers over 10 s: density 8 → 4·1·0.3 = 1.2 dB → 0.87096.
  Session s = withEvents(2);
  for (int i = 0; i < 8; ++i) s.results.push_back(layerOf(0, 0.0f, 10.0f));
  duckDensity(s);
  for (const auto& l : s.results) {
    ASSERT_TRUE(l.densityGain.has_value());
    for (float g : *l.densityGain) EXPECT_NEAR(g, std::pow(10.0f, -1.2f / 20.0f), 1e-4f);
  }

  // Four or fewer at once: nothing. A hero's layers: never.
  Session few = withEvents(1);
  for (int i = 0; i < 4; ++i) few.results.push_back(layerOf(0, 0.0f, 10.0f));
  duckDensity(few);
  for (const auto& l : few.results) EXPECT_FALSE(l.densityGain.has_value());

  Session hero = withEvents(2);
  hero.events[1].hero = true;
  for (int i = 0; i < 8; ++i) hero.results.push_back(layerOf(i < 4 ? 0 : 1, 0.0f, 10.0f));
  duckDensity(hero);
  staggerAndDeconflict(hero);
  for (int i = 4; i < 8; ++i) {
    EXPECT_FALSE(hero.results[i].densityGain.has_value());
    EXPECT_FALSE(hero.results[i].deconGain.has_value());
  }
  EXPECT_TRUE(hero.results[0].densityGain.has_value());
}

TEST(Layering, BandCrowdingEnvelopes) {
  // A layer alone keeps deconGain absent, unless it carries a density envelope.
  Session alone = withEvents(1);
  alone.results = {layerOf(0, 0.0f, 2.0f), layerOf(0, 5.0f, 2.0f)};
  staggerAndDeconflict(alone);
  EXPECT_FALSE(alone.results[0].deconGain.has_value());
  alone.results[0].densityGain = std::array<float, 32>{};
  alone.results[0].densityGain->fill(0.5f);
  staggerAndDeconflict(alone);
  ASSERT_TRUE(alone.results[0].deconGain.has_value());
  EXPECT_EQ((*alone.results[0].deconGain)[10], 0.5f);

  // Three equal layers of weight 0.5 in separate events: the first holds the
  // top of every band; the others see sum/top = 3 → (3 - 1.5)·0.5 = 0.75 in the
  // bands holding 5 % or more (e = .2362 .4361 .2362 in bands 1..3):
  // 0.75·6·(.2362·0.7 + .4361·0.5 + .2362·1.0) = 4.5·0.6196 = 2.788 dB → 0.7254.
  Session crowd = withEvents(3);
  crowd.results = {layerOf(0, 0.0f, 4.0f), layerOf(1, 0.0f, 4.0f), layerOf(2, 0.0f, 4.0f)};
  staggerAndDeconflict(crowd);
  EXPECT_FALSE(crowd.results[0].deconGain.has_value());
  ASSERT_TRUE(crowd.results[1].deconGain.has_value());
  EXPECT_NEAR((*crowd.results[1].deconGain)[16], 0.7254f, 2e-4f);
  EXPECT_NEAR((*crowd.results[2].deconGain)[16], 0.7254f, 2e-4f);
}

TEST(Layering, CarvesOnlyCrowdedBands) {
  // Three identical layers at weight 0.5 over each other: for each, E = 2·e
  // > 1.5·e in bands 1..3 (e > 0.05): x = (2 - 1.5)/3 = 1/6 → -1 dB = 0.8913;
  // bands 0 and 4 hold 0.0458 each and stay at 1.
  Session s = withEvents(1);
  s.results = {layerOf(0, 0.0f, 2.0f), layerOf(0, 0.0f, 2.0f), layerOf(0, 0.0f, 2.0f), layerOf(0, 9.0f, 1.0f)};
  carveSpectrum(s);
  ASSERT_TRUE(s.results[0].eqGains.has_value());
  const auto& g = *s.results[0].eqGains;
  EXPECT_EQ(g[0], 1.0f);
  EXPECT_NEAR(g[1], 0.89125f, 1e-4f);
  EXPECT_NEAR(g[2], 0.89125f, 1e-4f);
  EXPECT_NEAR(g[3], 0.89125f, 1e-4f);
  EXPECT_EQ(g[4], 1.0f);
  EXPECT_FALSE(s.results[3].eqGains.has_value());
}

TEST(Layering, SilenceProtectionFadesTailsIntoGaps) {
  Session s;
  Event a;
  a.time = 1.0f;
  a.duration = 1.0f;
  Event b;
  b.time = 4.0f;
  b.duration = 1.0f;
  s.events = {a, b};
  // Rings 0.5 s past its event into the 2 s gap; the other lives inside events.
  s.results = {layerOf(0, 1.0f, 1.5f), layerOf(1, 4.0f, 1.0f)};
  protectSilence(s);
  const Layer& tail = s.results[0];
  ASSERT_TRUE(tail.hasIntGain);
  EXPECT_EQ(tail.intGain[0], 1.0f);      // t = 1.0
  EXPECT_NEAR(tail.intGain[170], 1.0f, 1e-3f);  // t = 2.0, the gap begins
  EXPECT_EQ(tail.intGain[200], 0.0f);    // t = 2.18, past the 0.08 s fade
  EXPECT_FALSE(s.results[1].hasIntGain);
  const Curve once = tail.intGain;
  protectSilence(s);
  EXPECT_EQ(s.results[0].intGain, once);  // a second run changes nothing
}

TEST(Layering, HostileLayersDoNotBreakThePasses) {
  // Eight healthy layers crowd 0..10 s, so the passes have work to do on them; four
  // hostile ones sit among them.
  Session s = withEvents(1);
  for (int i = 0; i < 8; ++i) s.results.push_back(layerOf(0, 0.0f, 10.0f));
  const size_t healthy = s.results.size();
  for (const Layer& l : {layerOf(0, std::nanf(""), 1.0f), layerOf(0, 1e30f, 1.0f), layerOf(0, 0.0f, -5.0f),
                         layerOf(0, 0.0f, 1.0f, std::numeric_limits<float>::infinity())})
    s.results.push_back(l);
  protectSilence(s);
  duckDensity(s);
  staggerAndDeconflict(s);
  carveSpectrum(s);
  ASSERT_EQ(s.results.size(), healthy + 4);
  auto finite = [](const auto& values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
  };
  for (size_t i = 0; i < s.results.size(); ++i) {
    const Layer& l = s.results[i];
    EXPECT_TRUE(std::isfinite(l.deconOffset)) << "layer " << i;
    if (l.deconGain) EXPECT_TRUE(finite(*l.deconGain)) << "layer " << i;
    if (l.densityGain) EXPECT_TRUE(finite(*l.densityGain)) << "layer " << i;
    if (l.eqGains) EXPECT_TRUE(finite(*l.eqGains)) << "layer " << i;
    if (l.hasIntGain) EXPECT_TRUE(finite(l.intGain)) << "layer " << i;
  }
  // The crowd is still ducked: every healthy layer carries a gain envelope that
  // lowers it and never raises it.
  for (size_t i = 0; i < healthy; ++i) {
    const Layer& l = s.results[i];
    ASSERT_TRUE(l.deconGain.has_value()) << "layer " << i;
    for (float g : *l.deconGain) {
      EXPECT_GT(g, 0.0f) << "layer " << i;
      EXPECT_LT(g, 1.0f) << "layer " << i;
    }
  }
}

}  // namespace
}  // namespace vn
