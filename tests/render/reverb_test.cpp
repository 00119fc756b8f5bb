#include <gtest/gtest.h>

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
  std::vector<float> zeros(rate, 0.0f), sink(rate);
  processReverb(*st, zeros.data(), zeros.data(), sink.data(), sink.data(), nullptr, rate, 0);
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

TEST(Reverb, DecayTimeGrowsWithDecayAndSize) {
  const int rate = 48000;
  ReverbSettings s;
  s.preDelay = 0.0f;
  s.modulation = 0.0f;
  s.size = 0.5f;
  s.decay = 0.1f;
  const double shortDecay = rt60(impulseResponse(s, rate, rate * 3), rate);
  s.decay = 0.4f;
  const double longDecay = rt60(impulseResponse(s, rate, rate * 6), rate);
  EXPECT_GT(longDecay, 1.8 * shortDecay);
  // The network is tuned so that the measured time follows 0.3 + 9.7 x decay.
  EXPECT_NEAR(longDecay, reverbDecaySeconds(0.4f), 0.5 * reverbDecaySeconds(0.4f));

  s.decay = 0.2f;
  s.size = 0.1f;
  const double small = rt60(impulseResponse(s, rate, rate * 4), rate);
  s.size = 0.9f;
  const double large = rt60(impulseResponse(s, rate, rate * 4), rate);
  EXPECT_GT(large, small);
}

}  // namespace
}  // namespace vn
