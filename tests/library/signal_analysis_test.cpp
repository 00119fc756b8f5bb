// The measures of one sound, checked on synthesised signals whose answers are known.
#include "library/analysis/signal_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "library/analysis/attack_time.h"
#include "library/channel_layout.h"

namespace vn {
namespace {

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Measured {
  bool accepted = false;
  LibraryRecord record;
  size_t blocks = 0;
};

Measured Analyse(const std::vector<float>& interleaved, const std::vector<int>& roles, double rate = kRate) {
  AnalysisWorkingSet set;
  SignalAnalysis analysis;
  const size_t frames = interleaved.size() / roles.size();
  BeginSignalAnalysis(analysis, rate, roles, static_cast<int64_t>(frames));
  // Odd-sized pieces, so that blocks are assembled across several calls.
  for (size_t done = 0; done < frames;) {
    const size_t take = std::min<size_t>(1000, frames - done);
    AddFrames(analysis, set, interleaved.data() + done * roles.size(), take);
    done += take;
  }
  Measured m;
  m.accepted = FinishSignalAnalysis(analysis, set, m.record);
  m.blocks = analysis.time.blockRms.size();
  return m;
}

Measured AnalyseMono(const std::vector<float>& x, double rate = kRate) { return Analyse(x, {kRoleC}, rate); }

std::vector<float> Sine(double hz, double seconds, double amplitude = 0.5, double rate = kRate) {
  std::vector<float> x(static_cast<size_t>(seconds * rate));
  for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(amplitude * std::sin(kTwoPi * hz * i / rate));
  return x;
}

std::vector<float> WhiteNoise(size_t count, unsigned seed = 7) {
  std::mt19937 engine(seed);
  std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
  std::vector<float> x(count);
  for (float& v : x) v = uniform(engine);
  return x;
}

// A tone with partials at h * f0 * (1 + stretch * h), falling 1/h.
std::vector<float> PartialTone(double f0, double stretch, double seconds) {
  std::vector<float> x(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < x.size(); ++i) {
    double v = 0.0;
    for (int h = 1; h <= 8; ++h) v += std::sin(kTwoPi * f0 * h * (1.0 + stretch * h) * i / kRate) / h;
    x[i] = static_cast<float>(0.25 * v);
  }
  return x;
}

TEST(SignalAnalysis, SineGivesItsPitchLevelAndPlace) {
  const Measured m = AnalyseMono(Sine(440.0, 1.0));
  ASSERT_TRUE(m.accepted);
  const LibraryRecord& r = m.record;
  EXPECT_NEAR(r.pitchHz, 440.0, 0.5);
  EXPECT_EQ(r.midiNote, 69);
  EXPECT_NEAR(r.pitchCents, 0.0, 2.0);
  EXPECT_GT(r.pitchConfidence, 0.95);
  EXPECT_NEAR(r.rmsDb, 20.0 * std::log10(0.5 / std::sqrt(2.0)), 0.2);  // the padded tail costs a little
  EXPECT_NEAR(r.crestDb, 3.0, 0.25);
  EXPECT_EQ(r.crestDb, r.dynamicRangeDb);
  EXPECT_NEAR(r.zeroCrossRate, 4.0 * 2.0 * 440.0 / kRate, 0.002);
  EXPECT_NEAR(r.temporalCentroid, 0.5, 0.02);
  EXPECT_LT(r.flatness, 0.2);
  EXPECT_LT(r.spectralFlux, 0.02);
  EXPECT_GT(r.harmonicRatio, 0.8);
  EXPECT_LT(r.inharmonicity, 0.005);
  // 440 Hz sits in the 150-750 Hz band; the 20-150 Hz band only sees leakage.
  EXPECT_FLOAT_EQ(r.bandShare[1], 1.0f);
  EXPECT_LT(r.bandShare[0], 0.05f);
  EXPECT_LT(r.highRatio, 0.02f);
  const double expectedCentroid = (std::log10(440.0) - 2.0) / (std::log10(8000.0) - 2.0);
  EXPECT_NEAR(r.centroid, expectedCentroid, 0.02);
}

TEST(SignalAnalysis, BandsBrightnessAndHighRatioFollowTheFrequency) {
  const LibraryRecord low = AnalyseMono(Sine(100.0, 0.5)).record;
  // 100 Hz is bin 4.6 of 21.5 Hz bins: the window's main lobe reaches bin 6, the
  // first of the 150-750 Hz band, and nothing further.
  EXPECT_FLOAT_EQ(low.bandShare[0], 1.0f);
  EXPECT_LT(low.bandShare[1], 0.25f);
  for (int b = 2; b < 5; ++b) EXPECT_LT(low.bandShare[b], 0.01f) << "band " << b;
  EXPECT_NEAR(low.brightness, 0.13, 0.03);
  EXPECT_LT(low.centroid, 0.01f);  // the scale starts at 100 Hz

  const LibraryRecord high = AnalyseMono(Sine(9000.0, 0.5)).record;
  EXPECT_FLOAT_EQ(high.bandShare[4], 1.0f);
  EXPECT_NEAR(high.brightness, 0.9, 0.03);
  EXPECT_GT(high.highRatio, 0.98f);
  EXPECT_FLOAT_EQ(high.centroid, 1.0f);  // above 8000 Hz as well
}

TEST(SignalAnalysis, NoiseIsFlatUnpitchedAndChanging) {
  const Measured m = AnalyseMono(WhiteNoise(static_cast<size_t>(kRate)));
  ASSERT_TRUE(m.accepted);
  const LibraryRecord& r = m.record;
  // Magnitudes of white noise are Rayleigh distributed: geometric over arithmetic
  // mean is about 0.85, far above any tone.
  EXPECT_GT(r.flatness, 0.8f);
  EXPECT_LT(r.flatness, 0.9f);
  EXPECT_EQ(r.pitchHz, 0.0f);
  EXPECT_EQ(r.midiNote, -1);
  EXPECT_LT(r.pitchConfidence, 0.5f);
  EXPECT_FLOAT_EQ(r.zeroCrossRate, 1.0f);  // about one crossing in two samples, times four
  EXPECT_GT(r.spectralFlux, 0.01f);        // small: the noise's shape changes bin by bin, not as a whole
  EXPECT_GT(r.highRatio, 0.8f);
  // Equal magnitude per bin: each band weighs as many bins as it spans, the widest
  // (6-16 kHz, 465 bins) most, 2-6 kHz (186 bins) about 0.4 of it.
  EXPECT_FLOAT_EQ(r.bandShare[4], 1.0f);
  EXPECT_NEAR(r.bandShare[3], 186.0 / 465.0, 0.03);
  EXPECT_EQ(r.inharmonicity, 0.0f);  // only measured against an accepted pitch
}

TEST(SignalAnalysis, FluxFollowsChangesOfSpectralShape) {
  const float steady = AnalyseMono(Sine(500.0, 0.5)).record.spectralFlux;
  EXPECT_LT(steady, 0.002f);
  // Tones that swap every block: the shapes hardly overlap.
  std::vector<float> swapping;
  for (int block = 0; block < 20; ++block) {
    const std::vector<float> tone = Sine(block % 2 ? 3000.0 : 500.0, 2048.0 / kRate);
    swapping.insert(swapping.end(), tone.begin(), tone.end());
  }
  EXPECT_GT(AnalyseMono(swapping).record.spectralFlux, 0.4f);
}

TEST(SignalAnalysis, SilenceKeepsTheNeutralValues) {
  const Measured m = AnalyseMono(std::vector<float>(10000, 0.0f));
  ASSERT_TRUE(m.accepted);
  EXPECT_EQ(m.record.rmsDb, -100.0f);
  EXPECT_EQ(m.record.dynamicRangeDb, 0.0f);
  EXPECT_EQ(m.record.temporalCentroid, 0.5f);
  EXPECT_EQ(m.record.pitchHz, 0.0f);
  EXPECT_EQ(m.record.midiNote, -1);
  EXPECT_EQ(m.record.attackTime, 0.0f);
  EXPECT_EQ(m.record.bandShare[0], 0.0f);
  EXPECT_EQ(m.record.flatness, 0.0f);
}

TEST(SignalAnalysis, PositionsOfPeakEnergyAndOnset) {
  std::vector<float> click(40000, 0.0f);
  click[10000] = -0.9f;
  const LibraryRecord c = AnalyseMono(click).record;
  EXPECT_FLOAT_EQ(c.peakPosition, 0.25f);
  EXPECT_NEAR(c.temporalCentroid, 0.25, 1e-4);

  // Silence, then a tone: energy in the second half, onset in the middle.
  std::vector<float> late(2 * 16384, 0.0f);
  const std::vector<float> tone = Sine(300.0, 16384.0 / kRate);
  std::copy(tone.begin(), tone.end(), late.begin() + 16384);
  const LibraryRecord l = AnalyseMono(late).record;
  EXPECT_NEAR(l.onsetPosition, 0.5, 1e-6);
  EXPECT_NEAR(l.temporalCentroid, 0.75, 0.01);
}

TEST(SignalAnalysis, NeedsOneFullBlock) {
  EXPECT_FALSE(AnalyseMono(Sine(440.0, 2047.0 / kRate)).accepted);
  const Measured one = AnalyseMono(Sine(440.0, 2048.0 / kRate));
  ASSERT_TRUE(one.accepted);
  EXPECT_EQ(one.blocks, 1u);
  EXPECT_EQ(one.record.onsetPosition, 0.0f);  // needs three blocks
  EXPECT_EQ(one.record.pitchHz, 0.0f);        // the pitch block is never the first one
  EXPECT_EQ(one.record.spectralFlux, 0.0f);   // needs two spectra
  EXPECT_FLOAT_EQ(one.record.bandShare[1], 1.0f);
  EXPECT_FALSE(AnalyseMono({}).accepted);
}

TEST(SignalAnalysis, LfeChannelStaysOutOfTheMix) {
  // 5.1 (L R C LFE Ls Rs): a tone on the front three, a loud rumble on the LFE.
  const std::vector<float> tone = Sine(1000.0, 0.5, 0.3);
  const std::vector<float> rumble = Sine(40.0, 0.5, 0.9);
  std::vector<float> six(tone.size() * 6, 0.0f);
  for (size_t i = 0; i < tone.size(); ++i) {
    six[i * 6 + 0] = six[i * 6 + 1] = six[i * 6 + 2] = tone[i];
    six[i * 6 + 3] = rumble[i];
  }
  const LibraryRecord surround = Analyse(six, {kRoleL, kRoleR, kRoleC, kRoleLFE, kRoleLs, kRoleRs}).record;
  // Mean of the five others: the tone at 3/5 of its level, no rumble anywhere.
  const LibraryRecord mono = AnalyseMono(Sine(1000.0, 0.5, 0.3 * 3.0 / 5.0)).record;
  EXPECT_NEAR(surround.rmsDb, mono.rmsDb, 0.01);
  EXPECT_NEAR(surround.pitchHz, 1000.0, 1.0);
  EXPECT_LT(surround.bandShare[0], 0.05f);
  EXPECT_EQ(surround.peakPosition, mono.peakPosition);

  // A file that is nothing but LFE is still measured.
  const Measured lfeOnly = Analyse(rumble, {kRoleLFE});
  ASSERT_TRUE(lfeOnly.accepted);
  EXPECT_FLOAT_EQ(lfeOnly.record.bandShare[0], 1.0f);
}

TEST(SignalAnalysis, HarmonicityTellsStretchedPartials) {
  const LibraryRecord harmonic = AnalyseMono(PartialTone(220.0, 0.0, 1.0)).record;
  EXPECT_NEAR(harmonic.pitchHz, 220.0, 1.0);
  EXPECT_EQ(harmonic.midiNote, 57);
  EXPECT_GT(harmonic.harmonicRatio, 0.6f);
  EXPECT_LT(harmonic.inharmonicity, 0.005f);

  // Bell-like partials drift away from the multiples.
  const LibraryRecord stretched = AnalyseMono(PartialTone(220.0, 0.01, 1.0)).record;
  ASSERT_GT(stretched.pitchHz, 0.0f);
  EXPECT_GT(stretched.inharmonicity, harmonic.inharmonicity + 0.01f);
}

TEST(SignalAnalysis, AttackTimeOfSlowAndFastOnsets) {
  // A 100 ms linear fade-in of a tone: the envelope rises 10 % to 90 % in about 80 ms.
  std::vector<float> swell = Sine(500.0, 1.0);
  const size_t ramp = static_cast<size_t>(0.1 * kRate);
  for (size_t i = 0; i < ramp; ++i) swell[i] *= static_cast<float>(i) / ramp;
  std::vector<float> padded(4410, 0.0f);
  padded.insert(padded.end(), swell.begin(), swell.end());
  EXPECT_NEAR(AnalyseMono(padded).record.attackTime, 0.08, 0.012);

  // Three decaying hits: each rises within one or two envelope hops.
  std::vector<float> hits(static_cast<size_t>(1.5 * kRate), 0.0f);
  for (int k = 0; k < 3; ++k) {
    const size_t at = static_cast<size_t>((0.1 + 0.45 * k) * kRate);
    for (size_t i = 0; i < 8000; ++i)
      hits[at + i] = static_cast<float>(0.8 * std::exp(-static_cast<double>(i) / 1500.0) * std::sin(0.3 * i));
  }
  const float fast = AnalyseMono(hits).record.attackTime;
  EXPECT_GT(fast, 0.0f);
  EXPECT_LE(fast, 2.0 * 256.0 / kRate + 1e-6);

  // Too short an envelope, or a silent one, has no attack.
  EXPECT_EQ(AttackTime({0.0f, 1.0f, 1.0f, 1.0f}, kRate), 0.0);
  EXPECT_EQ(AttackTime(std::vector<float>(20, 0.0f), kRate), 0.0);
}

TEST(SignalAnalysis, MeasuresAtOtherRatesAndOnlyTheSpan) {
  // 96 kHz: bins are wider, a 220 Hz tone is still found.
  const LibraryRecord fast = AnalyseMono(Sine(220.0, 0.5, 0.5, 96000.0), 96000.0).record;
  EXPECT_NEAR(fast.pitchHz, 220.0, 0.5);

  // Frames past the declared span are ignored.
  AnalysisWorkingSet set;
  SignalAnalysis analysis;
  BeginSignalAnalysis(analysis, kRate, {kRoleC}, 4096);
  const std::vector<float> tone = Sine(440.0, 0.5);
  AddFrames(analysis, set, tone.data(), tone.size());
  LibraryRecord r;
  ASSERT_TRUE(FinishSignalAnalysis(analysis, set, r));
  EXPECT_EQ(analysis.time.samples, 4096);
  EXPECT_EQ(analysis.spectrum.fullBlocks, 2);
}

}  // namespace
}  // namespace vn
