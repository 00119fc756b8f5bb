#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "render/reverb.h"
#include "render/reverb_macro.h"

namespace vn {
namespace {

struct Ir {
  std::vector<float> left, right;
};

// Impulse response of a processor that has glided to its settings.
Ir impulseResponse(const ReverbSettings& settings, int rate, int frames) {
  auto st = allocateReverb();
  initialiseReverb(*st, rate);
  setReverbParameters(*st, settings);
  // Let the delay lengths and gains reach their targets before the impulse.
  const int warm = rate * 3 / 10;
  std::vector<float> zeros(warm, 0.0f), sink(warm);
  processReverb(*st, zeros.data(), zeros.data(), sink.data(), sink.data(), nullptr, warm, 0);
  std::vector<float> in(frames, 0.0f);
  in[0] = 1.0f;
  Ir ir{std::vector<float>(frames), std::vector<float>(frames)};
  processReverb(*st, in.data(), in.data(), ir.left.data(), ir.right.data(), nullptr, frames, 0);
  return ir;
}

// RT60 from the Schroeder backward integral, fitted between -5 and -25 dB.
double rt60(const Ir& ir, int rate) {
  std::vector<double> energy(ir.left.size());
  double acc = 0.0;
  for (size_t i = ir.left.size(); i-- > 0;) {
    acc += double(ir.left[i]) * ir.left[i] + double(ir.right[i]) * ir.right[i];
    energy[i] = acc;
  }
  auto crossing = [&](double db) {
    for (size_t i = 0; i < energy.size(); ++i)
      if (10.0 * std::log10(energy[i] / energy[0]) <= db) return double(i) / rate;
    return double(energy.size()) / rate;
  };
  return (crossing(-25.0) - crossing(-5.0)) * 3.0;
}

TEST(Reverb, FormulasGiveTheWorkedFigures) {
  EXPECT_FLOAT_EQ(reverbRoomMs(0.0f, 48000), 15.0f);
  EXPECT_FLOAT_EQ(reverbRoomMs(1.0f, 48000), 150.0f);
  EXPECT_FLOAT_EQ(reverbRoomMs(1.0f, 96000), 80.0f);
  EXPECT_FLOAT_EQ(reverbOutputGain(0.0f, 0.0f), 5.0f);
  EXPECT_FLOAT_EQ(reverbOutputGain(1.0f, 1.0f), 3.0f);
  // A very long decay over a short room would ask for more than the ceiling.
  EXPECT_FLOAT_EQ(reverbFeedbackGain(15.0f, 1000.0f), 0.9995f);
  EXPECT_NEAR(reverbFeedbackGain(150.0f, 0.3f), std::pow(10.0, -3.0 * 0.225 / 0.3), 1e-6);
  EXPECT_FLOAT_EQ(reverbPreDelaySamples(0.2f, 96000), 19199.0f);
  EXPECT_FLOAT_EQ(reverbPreDelaySamples(0.01f, 48000), 480.0f);
  EXPECT_FLOAT_EQ(reverbDecaySeconds(1.0f), 10.0f);
}

TEST(Reverb, MacroSweepsThePresets) {
  ReverbSettings s;
  applyReverbMacro(s, 0.125f);
  EXPECT_NEAR(s.size, 0.2f, 1e-6);
  EXPECT_NEAR(s.decay, 0.05f, 1e-6);
  EXPECT_NEAR(s.damping, 0.2f, 1e-6);
  EXPECT_NEAR(s.preDelay, 0.005f, 1e-6);
  EXPECT_NEAR(s.diffusion, 0.55f, 1e-6);
  EXPECT_NEAR(s.modulation, 0.125f, 1e-6);
  applyReverbMacro(s, 1.0f);
  EXPECT_FLOAT_EQ(s.size, 1.0f);
  EXPECT_FLOAT_EQ(s.preDelay, 0.06f);
  applyReverbMacro(s, 0.75f);
  EXPECT_FLOAT_EQ(s.decay, 0.65f);
  EXPECT_STREQ(reverbPresets()[3].name, "Cathedral");
  EXPECT_FLOAT_EQ(dragReverbMacro(0.5f, 100.0f, 200.0f), 0.75f);
  EXPECT_FLOAT_EQ(dragReverbMacro(0.9f, 100.0f, 200.0f), 1.0f);
}

TEST(Reverb, SendLawUsesOwnSendOrBusDefaultHalved) {
  std::array<float, kMaxBusses> bus{};
  bus[0] = 0.4f;
  bus[15] = 0.8f;
  EXPECT_FLOAT_EQ(reverbSendLevel(0.3f, 0, bus), 0.15f);
  EXPECT_FLOAT_EQ(reverbSendLevel(-1.0f, 0, bus), 0.2f);
  EXPECT_FLOAT_EQ(reverbSendLevel(-1.0f, 40, bus), 0.4f);
  EXPECT_FLOAT_EQ(reverbSendLevel(-1.0f, -3, bus), 0.2f);
  EXPECT_FLOAT_EQ(reverbSendLevel(1e-7f, 0, bus), 0.0f);
}

TEST(Reverb, StartsSilentAndRisesWithTheOutputGain) {
  auto st = allocateReverb();
  ASSERT_TRUE(st);
  initialiseReverb(*st, 48000);
  setReverbParameters(*st, ReverbSettings{});
  const int n = 48000;
  std::vector<float> in(n), l(n), r(n);
  uint32_t seed = 1;
  for (auto& v : in) {
    seed = seed * 1103515245u + 12345u;
    v = static_cast<float>((seed >> 16) & 0x7fff) / 16384.0f - 1.0f;
  }
  processReverb(*st, in.data(), in.data(), l.data(), r.data(), nullptr, n, 0);
  EXPECT_EQ(l[0], 0.0f);
  EXPECT_EQ(r[0], 0.0f);
  auto rms = [&](int from, int count) {
    double e = 0;
    for (int i = from; i < from + count; ++i) e += double(l[i]) * l[i];
    return std::sqrt(e / count);
  };
  EXPECT_LT(rms(0, 96), 0.1 * rms(24000, 4800));
  EXPECT_GT(rms(24000, 4800), 0.01);
}

TEST(Reverb, NanInputLeavesNoNanTail) {
  const int n = 24000;
  auto run = [&](bool withNan) {
    auto st = allocateReverb();
    initialiseReverb(*st, 48000);
    setReverbParameters(*st, ReverbSettings{});
    std::vector<float> in(n, 0.0f), l(n), r(n);
    in[10] = 1.0f;
    if (withNan) {
      in[100] = std::numeric_limits<float>::quiet_NaN();
      in[101] = std::numeric_limits<float>::infinity();
    }
    processReverb(*st, in.data(), in.data(), l.data(), r.data(), nullptr, n, 0);
    return l;
  };
  const auto clean = run(false), dirty = run(true);
  double tail = 0;
  for (int i = 0; i < n; ++i) {
    ASSERT_TRUE(std::isfinite(dirty[i])) << "at " << i;
    ASSERT_EQ(clean[i], dirty[i]) << "a non-finite sample must count as silence, at " << i;
    if (i > 12000) tail += std::fabs(dirty[i]);
  }
  EXPECT_GT(tail, 0.0);
}

TEST(Reverb, ChannelOutputsCarryTheNetwork) {
  auto st = allocateReverb();
  initialiseReverb(*st, 48000);
  setReverbParameters(*st, ReverbSettings{});
  const int n = 12000;
  std::vector<float> in(n, 0.0f), l(n), r(n);
  in[0] = 1.0f;
  std::vector<std::vector<float>> ch(8, std::vector<float>(n));
  float* outs[8];
  for (int i = 0; i < 8; ++i) outs[i] = ch[i].data();
  processReverb(*st, in.data(), in.data(), l.data(), r.data(), outs, n, 8);
  for (int i = 0; i < 8; ++i) {
    double e = 0;
    for (float v : ch[i]) e += double(v) * v;
    EXPECT_GT(e, 1e-8) << "channel " << i;
  }
}

// Interpolated reads take a sample and the one before it side by side, so the
// slot past each feedback ring must follow its first sample as the rings wrap.
TEST(Reverb, FeedbackRingsRepeatTheirStartPastTheEnd) {
  auto st = allocateReverb();
  initialiseReverb(*st, 48000);
  setReverbParameters(*st, ReverbSettings{});
  const int n = 3 * kReverbLineLength + 500;
  std::vector<float> in(n), l(n), r(n);
  uint32_t seed = 3;
  for (auto& v : in) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  for (int at = 0; at < n; at += 700) {
    const int count = std::min(700, n - at);
    processReverb(*st, &in[at], &in[at], &l[at], &r[at], nullptr, count, 0);
    for (int i = 0; i < kReverbLines; ++i)
      ASSERT_EQ(st->lines[i][kReverbLineLength], st->lines[i][0]) << "line " << i << " after " << at + count;
  }
  for (int i = 0; i < kReverbLines; ++i) EXPECT_NE(st->lines[i][0], 0.0f) << "line " << i;
}

TEST(Reverb, DecayTimeGrowsWithDecayAndSize) {
  // A low rate keeps the signals short; every time in the processor is in
  // seconds, so the decay does not depend on it.
  const int rate = 16000;
  ReverbSettings s;
  s.preDelay = 0.0f;
  s.modulation = 0.0f;
  s.size = 0.5f;
  s.decay = 0.05f;
  const double shortDecay = rt60(impulseResponse(s, rate, rate * 3 / 2), rate);
  s.decay = 0.2f;
  const double longDecay = rt60(impulseResponse(s, rate, rate * 5 / 2), rate);
  EXPECT_GT(longDecay, 1.8 * shortDecay);
  // The network is tuned so that the measured time follows 0.3 + 9.7 x decay.
  EXPECT_NEAR(longDecay, reverbDecaySeconds(0.2f), 0.5 * reverbDecaySeconds(0.2f));

  s.size = 0.1f;
  const double small = rt60(impulseResponse(s, rate, rate * 5 / 2), rate);
  s.size = 0.9f;
  const double large = rt60(impulseResponse(s, rate, rate * 5 / 2), rate);
  EXPECT_GT(large, small);
}

// Block processing must give, sample for sample, what one frame at a time
// gives, also where the longest pre-delay (96 kHz, 0.2 s) and diffuser delays
// (192 kHz, size 1) reach round their rings and while every glide is moving.
// Had a block let a delay read what a later frame writes, fresh input would
// leak out early.
TEST(Reverb, BlocksMatchFrameByFrame) {
  struct Case {
    int rate;
    float preDelay;
    int frames;
  };
  double energy = 0.0;
  for (const Case c : {Case{96000, 0.2f, 4000}, Case{192000, 0.005f, 12000}}) {
    SCOPED_TRACE(c.rate);
    ReverbSettings s;
    s.size = 1.0f;
    s.preDelay = c.preDelay;
    s.modulation = 1.0f;
    auto whole = allocateReverb(), single = allocateReverb();
    for (auto* st : {whole.get(), single.get()}) {
      initialiseReverb(*st, c.rate);
      setReverbParameters(*st, s);
      // Start the delays just short of their targets so that they are still
      // gliding, between whole samples.
      st->preDelay.current = st->preDelay.target - 3.5f;
      for (auto& stage : st->diffuserDelay)
        for (Smoothed& d : stage) d.current = d.target - 0.5f;
      for (Smoothed& d : st->lineDelay) d.current = 0.9f * d.target;
    }
    const int n = c.frames;
    std::vector<float> inL(n), inR(n);
    uint32_t seed = 7;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      inL[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
      inR[i] = i % 3 == 0 ? -inL[i] : 0.5f * inL[i];
    }
    std::vector<float> l1(n), r1(n), l2(n), r2(n);
    std::vector<std::vector<float>> ch1(8, std::vector<float>(n)), ch2(8, std::vector<float>(n));
    float* outs1[8];
    for (int i = 0; i < 8; ++i) outs1[i] = ch1[i].data();
    processReverb(*whole, inL.data(), inR.data(), l1.data(), r1.data(), outs1, n, 8);
    for (int f = 0; f < n; ++f) {
      float* outs2[8];
      for (int i = 0; i < 8; ++i) outs2[i] = ch2[i].data() + f;
      processReverb(*single, &inL[f], &inR[f], &l2[f], &r2[f], outs2, 1, 8);
    }
    for (int f = 0; f < n; ++f) {
      ASSERT_EQ(l1[f], l2[f]) << "left at " << f;
      ASSERT_EQ(r1[f], r2[f]) << "right at " << f;
      for (int i = 0; i < 8; ++i) ASSERT_EQ(ch1[i][f], ch2[i][f]) << "channel " << i << " at " << f;
      energy += double(l1[f]) * l1[f];
    }
  }
  EXPECT_GT(energy, 1e-3) << "the send must have reached the output";
}

}  // namespace
}  // namespace vn
