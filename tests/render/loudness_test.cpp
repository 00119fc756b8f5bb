#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "render/loudness.h"

namespace vn {
namespace {

// Appends seconds of a 1 kHz sine whose peak is at dbfs.
void appendSine(std::vector<float>& x, double seconds, double dbfs, int rate, double hz = 1000.0) {
  const double amp = std::pow(10.0, dbfs / 20.0);
  const size_t start = x.size(), n = static_cast<size_t>(seconds * rate);
  for (size_t i = 0; i < n; ++i)
    x.push_back(static_cast<float>(amp * std::sin(2.0 * std::numbers::pi * hz * double(start + i) / rate)));
}

float stereoLoudness(const std::vector<float>& x, int rate) {
  return integratedLoudness(x.data(), x.data(), static_cast<long>(x.size()), rate);
}

using test::LogCapture;

TEST(Loudness, KWeightingMatchesThePublishedCoefficientsAt48k) {
  const Biquad shelf = kWeightingShelf(48000.0);
  EXPECT_NEAR(shelf.b0, 1.53512485958697, 1e-6);
  EXPECT_NEAR(shelf.b1, -2.69169618940638, 1e-6);
  EXPECT_NEAR(shelf.b2, 1.19839281085285, 1e-6);
  EXPECT_NEAR(shelf.a1, -1.69065929318241, 1e-6);
  EXPECT_NEAR(shelf.a2, 0.73248077421585, 1e-6);
  const Biquad hp = kWeightingHighPass(48000.0);
  EXPECT_NEAR(hp.a1, -1.99004745483398, 1e-6);
  EXPECT_NEAR(hp.a2, 0.99007225036621, 1e-6);
}

// The integrated-loudness cases of the meter conformance tests.
TEST(Loudness, MeterPassesTheConformanceCases) {
  // The K-weighting is designed per rate, so the reading does not depend on it.
  // A steady tone reads the same over a few seconds as over twenty.
  for (int rate : {44100, 48000, 96000}) {
    std::vector<float> x;
    appendSine(x, 5.0, -23.0, rate);
    EXPECT_NEAR(stereoLoudness(x, rate), -23.0f, 0.1f) << rate;
  }
  const int rate = 48000;
  std::vector<float> x;
  appendSine(x, 5.0, -33.0, rate);
  EXPECT_NEAR(stereoLoudness(x, rate), -33.0f, 0.1f);

  // Relative gate: quiet stretches 13 dB down are gated away.
  x.clear();
  appendSine(x, 10.0, -36.0, rate);
  appendSine(x, 60.0, -23.0, rate);
  appendSine(x, 10.0, -36.0, rate);
  EXPECT_NEAR(stereoLoudness(x, rate), -23.0f, 0.1f);

  // Absolute gate: -72 dBFS stretches lie below -70 LUFS.
  x.clear();
  appendSine(x, 10.0, -72.0, rate);
  appendSine(x, 10.0, -36.0, rate);
  appendSine(x, 60.0, -23.0, rate);
  appendSine(x, 10.0, -36.0, rate);
  appendSine(x, 10.0, -72.0, rate);
  EXPECT_NEAR(stereoLoudness(x, rate), -23.0f, 0.1f);

  // Louder middle: both gates pass everything and the mean lands on -23.
  x.clear();
  appendSine(x, 20.0, -26.0, rate);
  appendSine(x, 20.1, -20.0, rate);
  appendSine(x, 20.0, -26.0, rate);
  EXPECT_NEAR(stereoLoudness(x, rate), -23.0f, 0.1f);

  // Five channels at their own levels: left and right -28, centre -24, the
  // surrounds -30 dBFS with their 1.41 weight.
  std::vector<float> front, centre, surround;
  appendSine(front, 5.0, -28.0, rate);
  appendSine(centre, 5.0, -24.0, rate);
  appendSine(surround, 5.0, -30.0, rate);
  const float* five[5] = {front.data(), front.data(), centre.data(), surround.data(), surround.data()};
  const float weights[5] = {loudnessWeightOfRole(0), loudnessWeightOfRole(1), loudnessWeightOfRole(2),
                            loudnessWeightOfRole(4), loudnessWeightOfRole(5)};
  EXPECT_NEAR(integratedLoudness(five, weights, static_cast<long>(front.size()), rate), -23.0f, 0.1f);
}

TEST(Loudness, ChannelsSumAndMonoCountsOnce) {
  std::vector<float> x;
  appendSine(x, 5.0, -23.0, 48000);
  const float mono = integratedLoudness(x.data(), nullptr, static_cast<long>(x.size()), 48000);
  EXPECT_NEAR(mono, -26.01f, 0.1f);
  // Only the right side given: the same as mono.
  EXPECT_FLOAT_EQ(integratedLoudness(nullptr, x.data(), static_cast<long>(x.size()), 48000), mono);
  // A surround channel weighs 1.41 (+1.5 dB).
  const float* ch[1] = {x.data()};
  const float w[1] = {loudnessWeightOfRole(4)};
  EXPECT_NEAR(integratedLoudness(ch, w, static_cast<long>(x.size()), 48000), mono + 1.49f, 0.05f);
  EXPECT_EQ(loudnessWeightOfRole(3), 0.0f);
  EXPECT_EQ(loudnessWeightOfRole(6), 1.0f);
}

TEST(Loudness, NothingToMeasureReadsMinus100) {
  std::vector<float> silence(48000 * 2, 0.0f);
  EXPECT_EQ(stereoLoudness(silence, 48000), -100.0f);
  std::vector<float> shortClip(1000, 0.5f);  // shorter than one 400 ms block
  EXPECT_EQ(stereoLoudness(shortClip, 48000), -100.0f);
  EXPECT_EQ(integratedLoudness(nullptr, nullptr, 48000, 48000), -100.0f);
  EXPECT_EQ(integratedLoudness(silence.data(), silence.data(), 0, 48000), -100.0f);
}

TEST(Loudness, NormaliseGainLimitsTheChangeAndLogsIt) {
  LogCapture log;
  EXPECT_NEAR(normaliseGainForLoudness(-30.0f, -14.0f), std::pow(10.0f, 16.0f / 20.0f), 1e-4);
  EXPECT_NEAR(normaliseGainForLoudness(-60.0f, -14.0f), std::pow(10.0f, 30.0f / 20.0f), 1e-3);
  ASSERT_EQ(log.out.size(), 2u);
  EXPECT_EQ(log.out[0], "[ExportWAV] LUFS normalise: -30.0 \u2192 -14.0 LUFS (16.0 dB)\n");
  EXPECT_EQ(log.out[1], "[ExportWAV] LUFS normalise: -60.0 \u2192 -14.0 LUFS (30.0 dB)\n");

  // A silent mixdown prints nothing and is written unchanged.
  std::vector<float> l(48000 * 2, 0.0f), r(l);
  float* ch[2] = {l.data(), r.data()};
  const float w[2] = {1.0f, 1.0f};
  EXPECT_EQ(matchMixdownLoudness(ch, w, static_cast<long>(l.size()), 48000, 1), 1.0f);
  EXPECT_EQ(log.out.size(), 2u);

  // A -23 mix matched to -16 comes out at -16; index 0 leaves it alone.
  std::vector<float> x;
  appendSine(x, 5.0, -23.0, 48000);
  std::vector<float> y = x;
  float* xy[2] = {x.data(), y.data()};
  EXPECT_EQ(matchMixdownLoudness(xy, w, static_cast<long>(x.size()), 48000, 0), 1.0f);
  const float g = matchMixdownLoudness(xy, w, static_cast<long>(x.size()), 48000, 2);
  EXPECT_NEAR(20.0f * std::log10(g), 7.0f, 0.1f);
  EXPECT_NEAR(stereoLoudness(x, 48000), -16.0f, 0.1f);
  EXPECT_STREQ(mixdownLoudnessTarget(4).label, "-23 LUFS (EBU R128)");
  // The values a user types name the targets; others name none (0 is not "Off").
  EXPECT_EQ(mixdownLoudnessIndex(-14), 1);
  EXPECT_EQ(mixdownLoudnessIndex(-18), 3);
  EXPECT_EQ(mixdownLoudnessIndex(-23), 4);
  EXPECT_EQ(mixdownLoudnessIndex(-20), std::nullopt);
  EXPECT_EQ(mixdownLoudnessIndex(0), std::nullopt);
  EXPECT_EQ(mixdownLoudnessIndex(23), std::nullopt);
}

TEST(Loudness, TakesArePeakNormalised) {
  auto take = [](float peak) {
    std::vector<float> v(100, 0.1f);
    v[50] = peak;
    return v;
  };
  auto l = take(1.2f), r = take(0.3f);
  normaliseTake(l.data(), r.data(), 100, false, -6);
  EXPECT_NEAR(l[50], 0.891f, 0.001f);
  l = take(0.5f);
  r = take(0.5f);
  EXPECT_EQ(normaliseTake(l.data(), r.data(), 100, false, -6), 1.0f);
  EXPECT_EQ(l[50], 0.5f);
  l = take(0.25f);
  r = take(0.1f);
  normaliseTake(l.data(), r.data(), 100, true, -6);
  EXPECT_NEAR(l[50], 0.501f, 0.001f);
  // Out-of-range settings are clamped; non-finite samples become 0.
  l = take(0.5f);
  l[3] = NAN;
  normaliseTake(l.data(), nullptr, 100, true, 3);
  EXPECT_EQ(l[3], 0.0f);
  EXPECT_NEAR(l[50], 1.0f, 1e-6);
}

}  // namespace
}  // namespace vn
