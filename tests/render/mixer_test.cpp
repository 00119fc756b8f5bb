#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "render/fades.h"
#include "render/master_stage.h"
#include "render/mixer.h"
#include "render/offline_mix.h"

namespace vn {
namespace {

constexpr int kRate = 48000;

RenderedBlock constantBlock(float start, float seconds, float value, int bus = 0) {
  RenderedBlock b;
  const size_t n = static_cast<size_t>(seconds * kRate);
  b.left.assign(n, value);
  b.right.assign(n, value);
  b.start = start;
  b.duration = seconds;
  b.bus = bus;
  computePeakSummary(b);
  return b;
}

MixSettings dryStereo() {
  MixSettings s;
  s.reverb.enabled = false;
  return s;
}

MixdownBuffer mixdown(const RenderCache& cache, const MixSettings& s, double end, int bus = -1) {
  OfflineMixRequest req;
  req.settings = s;
  req.end = end;
  req.busFilter = bus;
  MixdownBuffer out;
  EXPECT_TRUE(renderMixdown(cache, req, out));
  return out;
}

float at(const MixdownBuffer& m, double seconds, int channel) {
  return m.channels[static_cast<size_t>(channel)][static_cast<size_t>(seconds * m.sampleRate)];
}

TEST(Fades, CurvesAndLimits) {
  FadeLengths f = effectiveFades(0.0f, 0.0f, 2.0f);
  EXPECT_FLOAT_EQ(f.in, 0.04f);
  EXPECT_FLOAT_EQ(f.out, 0.05f);
  f = effectiveFades(0.001f, 5.0f, 2.0f);
  EXPECT_FLOAT_EQ(f.in, 0.015f);
  EXPECT_FLOAT_EQ(f.out, 0.9f);
  f = effectiveFades(0.4f, 0.4f, 1.0f);  // 0.8 fits inside 0.9 x duration
  EXPECT_FLOAT_EQ(f.in + f.out, 0.8f);
  f = effectiveFades(0.45f, 0.45f, 0.5f);  // held to 0.225 each, then scaled to 0.45 in all
  EXPECT_NEAR(f.in + f.out, 0.45f, 1e-6);
  f = FadeLengths{0.1f, 0.1f};
  EXPECT_EQ(fadeGain(f, 1.0f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(fadeGain(f, 1.0f, 0.5f), 1.0f);
  // Half way into the fade-in: s = (0.25*1.4196+1)*0.25+0.5, gain s^2.
  const float s = (0.25f * 1.4196f + 1.0f) * 0.25f + 0.5f;
  EXPECT_NEAR(fadeGain(f, 1.0f, 0.05f), s * s, 1e-6);
  EXPECT_NEAR(fadeGain(f, 1.0f, 0.95f), 0.0625f, 1e-6);  // v = 0.5, v^4
}

TEST(Mixer, OfflineMixAppliesGainsPanAndEnvelopes) {
  RenderCache cache;
  RenderedBlock b = constantBlock(0.5f, 1.0f, 0.5f, 1);
  b.mixGain = 0.8f;
  b.normGain = 0.5f;
  b.eventGain = 0.5f;
  std::array<float, 128> ramp;
  for (int i = 0; i < 128; ++i) ramp[i] = i < 64 ? 1.0f : 0.5f;
  b.intensityTable = ramp;
  appendBlock(cache, b, 0.02f, 0.02f);
  MixSettings s = dryStereo();
  s.busGain[1] = 2.0f;
  s.masterGain = 0.5f;
  const MixdownBuffer m = mixdown(cache, s, 2.0);
  ASSERT_EQ(m.channels.size(), 2u);
  ASSERT_EQ(m.frames(), 2 * kRate);
  EXPECT_EQ(at(m, 0.25, 0), 0.0f);
  // 0.5 x 0.8 x 0.5 x 0.5 x bus 2 x master 0.5 x centre pan 0.7071.
  const float level = 0.5f * 0.8f * 0.5f * 0.5f * 2.0f * 0.5f * 0.70710678f;
  EXPECT_NEAR(at(m, 0.75, 0), level, 1e-5);
  EXPECT_NEAR(at(m, 0.75, 1), level, 1e-5);
  EXPECT_NEAR(at(m, 1.25, 0), 0.5f * level, 1e-5);  // second half of the intensity table
  EXPECT_EQ(at(m, 1.75, 0), 0.0f);
  // A muted block is silent.
  {
    std::lock_guard lock(cache.mutex);
    cache.blocks[0].muted = true;
  }
  EXPECT_EQ(at(mixdown(cache, s, 2.0), 0.75, 0), 0.0f);
}

TEST(Mixer, StemsKeepOneBus) {
  RenderCache cache;
  appendBlock(cache, constantBlock(0.0f, 1.0f, 0.25f, 0), 0.02f, 0.02f);
  appendBlock(cache, constantBlock(0.0f, 1.0f, 0.5f, 2), 0.02f, 0.02f);
  const MixSettings s = dryStereo();
  EXPECT_NEAR(at(mixdown(cache, s, 1.0), 0.5, 0), 0.75f * 0.70710678f, 1e-5);
  EXPECT_NEAR(at(mixdown(cache, s, 1.0, 2), 0.5, 0), 0.5f * 0.70710678f, 1e-5);
  EXPECT_EQ(at(mixdown(cache, s, 1.0, 1), 0.5, 0), 0.0f);
}

TEST(Mixer, MultichannelAndBinauralLayouts) {
  RenderCache cache;
  appendBlock(cache, constantBlock(0.0f, 1.0f, 0.5f), 0.02f, 0.02f);
  MixSettings s = dryStereo();
  s.monitor = {SpatialLayout::Surround51, false};
  MixdownBuffer m = mixdown(cache, s, 1.0);
  ASSERT_EQ(m.channels.size(), 6u);
  EXPECT_NEAR(at(m, 0.5, 2), 0.5f, 1e-5);  // a mono block with amount 0 sits on the centre
  EXPECT_NEAR(at(m, 0.5, 0), 0.0f, 1e-5);

  // Headphones: a click hard left reaches the left ear first and louder.
  RenderCache click;
  RenderedBlock b = constantBlock(0.0f, 0.5f, 0.0f);
  b.left[2000] = b.right[2000] = 1.0f;
  b.placement = manualPlacement(-1.0f, 0.0f, 0.0f, 0.0f);  // at +90 degrees, distance 1
  appendBlock(click, b, 0.02f, 0.02f);
  s.monitor = {SpatialLayout::Surround714, true};
  m = mixdown(click, s, 0.5);
  ASSERT_EQ(m.channels.size(), 2u);
  auto onset = [&](int ch) {
    for (long f = 0; f < m.frames(); ++f)
      if (std::fabs(m.channels[static_cast<size_t>(ch)][f]) > 0.02f) return f;
    return m.frames();
  };
  double el = 0, er = 0;
  for (long f = 0; f < m.frames(); ++f) {
    el += double(m.channels[0][f]) * m.channels[0][f];
    er += double(m.channels[1][f]) * m.channels[1][f];
  }
  EXPECT_GT(el, 2.0 * er);
  EXPECT_GE(onset(1) - onset(0), 15);  // about 0.4 ms or more of interaural delay
  EXPECT_LT(onset(0), m.frames());
}

TEST(Mixer, ReverbStemMatchesTheLiveReturn) {
  RenderCache cache;
  RenderedBlock b = constantBlock(0.1f, 0.3f, 0.0f);
  for (size_t i = 0; i < b.left.size(); ++i) b.left[i] = b.right[i] = std::sin(0.05f * i) * 0.5f;
  b.reverbSend = 0.8f;
  appendBlock(cache, b, 0.02f, 0.02f);
  MixSettings wet;
  wet.reverb.enabled = true;
  MixSettings dry = wet;
  dry.reverb.enabled = false;
  const MixdownBuffer withReverb = mixdown(cache, wet, 1.5), without = mixdown(cache, dry, 1.5);
  OfflineMixRequest req;
  req.settings = wet;
  req.end = 1.5;
  MixdownBuffer stem;
  ASSERT_TRUE(renderReverbStem(cache, req, stem));
  ASSERT_EQ(stem.channels.size(), 2u);
  ASSERT_EQ(stem.frames(), withReverb.frames());
  double tail = 0;
  for (size_t c = 0; c < 2; ++c)
    for (long f = 0; f < stem.frames(); ++f) {
      ASSERT_NEAR(withReverb.channels[c][f] - without.channels[c][f], stem.channels[c][f], 1e-6) << c << " " << f;
      if (f > kRate) tail += std::fabs(stem.channels[c][f]);
    }
  EXPECT_GT(tail, 0.1);
  // The mixdown's own pass keeps the same return when asked, sample for sample.
  MixdownBuffer mix, kept;
  ASSERT_TRUE(renderMixdown(cache, req, mix, {}, &kept));
  EXPECT_EQ(kept.channels, stem.channels);
  EXPECT_EQ(mix.channels, withReverb.channels);
  // Without the reverb the mixdown is still made and the return stays empty.
  MixdownBuffer dryMix, none{48000, {{1.0f}}};
  req.settings = dry;
  ASSERT_TRUE(renderMixdown(cache, req, dryMix, {}, &none));
  EXPECT_TRUE(none.channels.empty());
  EXPECT_EQ(dryMix.channels, without.channels);
  req.settings = wet;
  req.settings.reverb.enabled = false;
  EXPECT_FALSE(renderReverbStem(cache, req, stem));
}

TEST(Mixer, BusStemsInOneSweepEqualTheirOwnPassesAndSumToTheMix) {
  // Three busses with reverb sends, in 5.1 so the reverb reaches every speaker.
  RenderCache cache;
  for (int bus = 0; bus < 3; ++bus) {
    RenderedBlock b = constantBlock(0.1f + 0.2f * bus, 0.4f, 0.0f, bus);
    for (size_t i = 0; i < b.left.size(); ++i) b.left[i] = b.right[i] = std::sin(0.01f * (bus + 1) * i) * 0.4f;
    b.reverbSend = 0.3f * (bus + 1);
    appendBlock(cache, b, 0.02f, 0.02f);
  }
  OfflineMixRequest req;
  req.settings.reverb.enabled = true;
  req.settings.monitor = {SpatialLayout::Surround51, false};
  req.end = 1.5;
  std::vector<MixdownBuffer> stems;
  MixdownBuffer sum, wetSum;
  const std::vector<int> busses{2, 0, 1};
  ASSERT_TRUE(renderBusStems(cache, req, busses, stems, &sum, &wetSum));
  ASSERT_EQ(stems.size(), 3u);
  MixdownBuffer whole, wholeWet;
  ASSERT_TRUE(renderMixdown(cache, req, whole, {}, &wholeWet));
  ASSERT_EQ(sum.channels.size(), 6u);
  ASSERT_EQ(wetSum.channels.size(), 2u);
  for (size_t i = 0; i < busses.size(); ++i) {
    OfflineMixRequest one = req;
    one.busFilter = busses[i];
    MixdownBuffer own;
    ASSERT_TRUE(renderMixdown(cache, one, own));
    EXPECT_EQ(stems[i].channels, own.channels) << i;  // the same mixer work, sample for sample
  }
  double worst = 0.0, worstWet = 0.0, level = 0.0;
  for (size_t c = 0; c < 6; ++c)
    for (long f = 0; f < whole.frames(); ++f) {
      worst = std::max(worst, std::fabs(double(sum.channels[c][f]) - whole.channels[c][f]));
      level = std::max(level, std::fabs(double(whole.channels[c][f])));
    }
  for (size_t c = 0; c < 2; ++c)
    for (long f = 0; f < whole.frames(); ++f)
      worstWet = std::max(worstWet, std::fabs(double(wetSum.channels[c][f]) - wholeWet.channels[c][f]));
  EXPECT_GT(level, 0.1);
  EXPECT_LT(worst, 1e-6);
  EXPECT_LT(worstWet, 1e-6);
  // Without the reverb the sums are still made and the wet sum stays empty.
  req.settings.reverb.enabled = false;
  ASSERT_TRUE(renderBusStems(cache, req, busses, stems, &sum, &wetSum));
  EXPECT_TRUE(wetSum.channels.empty());
  EXPECT_EQ(sum.channels.size(), 6u);
}

TEST(Mixer, LiveMixGatesTrimsAndNeverBlocks) {
  RenderCache cache;
  appendBlock(cache, constantBlock(0.0f, 1.0f, 0.5f), 0.02f, 0.02f);
  auto mixer = createMixer(kRate, 512);
  ASSERT_TRUE(mixer);
  setMixSettings(*mixer, dryStereo());
  setMixGate(*mixer, true);
  const int frames = 1024;
  std::vector<float> out(frames * 2);
  ASSERT_TRUE(renderLiveMix(*mixer, cache, kRate / 2, frames, out.data(), 2));
  // The 6 ms gate starts from 0 and is open after 288 frames.
  EXPECT_LT(std::fabs(out[2 * 48]), std::fabs(out[2 * 1000]));
  const float settled = 0.5f * 0.70710678f * 0.70710678f;  // pan x master trim
  EXPECT_NEAR(out[2 * 1000], settled, 1e-4);
  EXPECT_NEAR(out[2 * 1000 + 1], settled, 1e-4);

  // Another thread holds the cache: the buffer carries only the reference audio.
  std::atomic<bool> holding{false}, release{false};
  std::thread holder([&] {
    std::lock_guard lock(cache.mutex);
    holding = true;
    while (!release) std::this_thread::yield();
  });
  while (!holding) std::this_thread::yield();
  std::vector<float> ref(frames, 0.1f);
  EXPECT_FALSE(renderLiveMix(*mixer, cache, kRate / 2, frames, out.data(), 2, ref.data(), ref.data()));
  release = true;
  holder.join();
  EXPECT_EQ(missedBuffers(*mixer), 1u);
  EXPECT_NEAR(out[2 * 1000], 0.1f * 0.70710678f, 1e-4);

  // A wider device gets silence on the channels the layout does not fill.
  std::vector<float> wide(frames * 4, 1.0f);
  ASSERT_TRUE(renderLiveMix(*mixer, cache, kRate / 2, frames, wide.data(), 4));
  EXPECT_NEAR(wide[4 * 1000], settled, 1e-4);
  EXPECT_EQ(wide[4 * 1000 + 3], 0.0f);

  // Closing the gate fades to silence within 6 ms.
  setMixGate(*mixer, false);
  ASSERT_TRUE(renderLiveMix(*mixer, cache, kRate / 2, frames, out.data(), 2));
  EXPECT_EQ(out[2 * 400], 0.0f);
}

TEST(MasterStage, LimitsAndSoftClips) {
  EXPECT_EQ(softClip(0.5f), 0.5f);
  EXPECT_NEAR(softClip(1.0f), 0.84f + 0.051f * std::tanh(1.6f), 1e-6);
  EXPECT_NEAR(softClip(-1.0f), -(0.84f + 0.051f * std::tanh(1.6f)), 1e-6);
  EXPECT_LT(softClip(100.0f), 0.8911f);

  MasterStage stage;
  initialiseMasterStage(stage, kRate);
  const int n = kRate;
  std::vector<float> x(n * 2);
  for (int i = 0; i < n; ++i) x[2 * i] = x[2 * i + 1] = 2.0f * std::sin(2.0f * 3.14159265f * 100.0f * i / kRate);
  processMasterStage(stage, x.data(), n, 2, 0.5f);
  float peak = 0;
  for (int i = n / 2; i < n; ++i) peak = std::max(peak, std::fabs(x[2 * i]));
  EXPECT_LT(peak, 0.52f);  // the look-ahead lets the limiter catch every peak
  EXPECT_GT(peak, 0.45f);
  // The look-ahead delays the signal by 48 frames.
  MasterStage quiet;
  initialiseMasterStage(quiet, kRate);
  std::vector<float> click(200 * 2, 0.0f);
  click[0] = 0.5f;
  processMasterStage(quiet, click.data(), 200, 2, 0.9f);
  EXPECT_EQ(click[0], 0.0f);
  EXPECT_NEAR(click[2 * 48], 0.5f * 0.70710677f, 1e-6);
}

}  // namespace
}  // namespace vn
