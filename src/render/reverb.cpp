#include "render/reverb.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace vn {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr std::array<float, kReverbLines> kRateA{0.31f, 0.43f, 0.67f, 0.37f, 0.53f, 0.71f, 0.47f, 0.59f};
constexpr std::array<float, kReverbLines> kRateB{1.13f, 0.89f, 1.31f, 0.97f, 1.07f, 1.23f, 0.83f, 1.19f};

uint32_t mixHash(uint32_t x) { return ((x >> 16) ^ x) * 73244475u; }

float clampParam(float v, float lo, float hi, float fallback) {
  return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
}

void setPhasor(PhasorBank& bank, int i, double turns, double hz, int rate) {
  bank.s[i] = static_cast<float>(std::sin(kTwoPi * turns));
  bank.c[i] = static_cast<float>(std::cos(kTwoPi * turns));
  const double step = kTwoPi * hz / rate;
  bank.rs[i] = static_cast<float>(std::sin(step));
  bank.rc[i] = static_cast<float>(std::cos(step));
}

}  // namespace

float reverbDecaySeconds(float decay) { return 0.3f + 9.7f * decay; }

float reverbRoomMs(float size, int sampleRate) {
  return 15.0f + size * std::min(135.0f, 7680000.0f / static_cast<float>(sampleRate) - 15.0f);
}

float reverbFeedbackGain(float roomMs, float decaySeconds) {
  const double g = std::pow(10.0, -3.0 * (1.5 * roomMs * 0.001) / decaySeconds);
  return static_cast<float>(std::min(g, 0.9995));
}

float reverbOutputGain(float size, float decay) {
  return std::min(5.0f, 3.0f / std::max(0.15f, std::sqrt((0.2f + 0.8f * decay) * (0.3f + 0.7f * size))));
}

float reverbPreDelaySamples(float preDelaySeconds, int sampleRate) {
  return std::clamp(static_cast<float>(sampleRate) * preDelaySeconds, 0.0f,
                    static_cast<float>(kReverbPreDelayRing - 1));
}

std::unique_ptr<ReverbState> allocateReverb() {
  return std::unique_ptr<ReverbState>(new (std::nothrow) ReverbState());
}

void initialiseReverb(ReverbState& st, int sampleRate) {
  st.sampleRate = std::max(1, sampleRate);
  const double r = st.sampleRate;
  st.c5 = static_cast<float>(1.0 - std::exp(-1.0 / (0.005 * r)));
  st.c50 = static_cast<float>(1.0 - std::exp(-1.0 / (0.05 * r)));
  st.c32 = static_cast<float>(1.0 - std::pow(1.0 - st.c50, 32.0));
  st.c300 = static_cast<float>(1.0 - std::exp(-kTwoPi * 300.0 / r));
  st.outputGain.set(0.0f);
  st.dampCoef.set(0.5f);
  st.feedback.set(0.85f);
  st.diffusionMix.set(0.7f);
  st.inputCoef.set(0.8f);
  st.bassRatio.set(1.0f);
  st.modDepth.set(0.04f);
  st.preDelay.set(0.0f);
  st.preDelayInt = 0;
  st.preDelayFrac = 0.0f;
  for (auto& d : st.lineDelay) d.set(2000.0f);
  for (int s = 0; s < kReverbDiffuserStages; ++s) {
    for (int j = 0; j < kReverbLines; ++j) {
      st.diffuserDelay[s][j].set(100.0f);
      st.diffuserInt[s][j] = 100;
      st.diffuserFrac[s][j] = 0.0f;
      st.diffuserSign[s][j] = 1.0f;
    }
  }
  for (int i = 0; i < kReverbLines; ++i) {
    setPhasor(st.lfoA, i, i / 8.0, kRateA[i], st.sampleRate);
    setPhasor(st.lfoB, i, i / 8.0 + 0.5, kRateB[i], st.sampleRate);
  }
  clearReverb(st);
}

void setReverbParameters(ReverbState& st, const ReverbSettings& settings) {
  const float S = clampParam(settings.size, 0.0f, 1.0f, 0.5f);
  const float D = clampParam(settings.decay, 0.0f, 1.0f, 0.5f);
  const float P = clampParam(settings.damping, 0.0f, 1.0f, 0.3f);
  const float T = clampParam(settings.preDelay, 0.0f, 0.2f, 0.015f);
  const float F = clampParam(settings.diffusion, 0.0f, 1.0f, 0.7f);
  const float M = clampParam(settings.modulation, 0.0f, 1.0f, 0.5f);
  const double r = st.sampleRate;

  const float rt = reverbDecaySeconds(D);
  const float room = reverbRoomMs(S, st.sampleRate);

  const double base = 30.0 + 130.0 * S;
  for (int s = 0; s < kReverbDiffuserStages; ++s) {
    const double n = base * std::pow(0.5, s + 1) * 0.001 * r;
    for (int j = 0; j < kReverbLines; ++j) {
      const uint32_t h = mixHash(mixHash(42u + 1000u * s + 137u * j));
      const double u = static_cast<double>((h >> 16) ^ (h & 0xFFFFu)) / 65536.0;
      const double lo = j * n / 8.0, hi = (j + 1) * n / 8.0;
      st.diffuserDelay[s][j].target = static_cast<float>(std::clamp(lo + (hi - lo) * u, 1.0, 8191.0));
      const uint32_t g = mixHash(mixHash(777u * s + 31u * j));
      st.diffuserSign[s][j] = ((~(g >> 16) ^ g) & 1u) ? 1.0f : -1.0f;
    }
  }
  for (int i = 0; i < kReverbLines; ++i) {
    const uint32_t t = (12345u + 997u * i) * 73244475u;
    const uint32_t h = ((t >> 16) ^ t) * 73244475u;
    const int jitter = static_cast<int>(((h >> 16) ^ h) % 131u) - 65;
    const double delay = std::pow(2.0, i / 8.0) * room * 0.001 * r + jitter;
    st.lineDelay[i].target = static_cast<float>(std::clamp(delay, 64.0, 16320.0));
  }
  st.feedback.target = reverbFeedbackGain(room, rt);
  const double fd = std::max(200.0, 18000.0 * std::exp(-3.5 * P));
  st.dampCoef.target = static_cast<float>(1.0 - std::exp(-kTwoPi * fd / r));
  const double fi = std::max(3000.0, 16000.0 * std::exp(-1.5 * P));
  st.inputCoef.target = static_cast<float>(1.0 - std::exp(-kTwoPi * fi / r));
  st.preDelay.target = reverbPreDelaySamples(T, st.sampleRate);
  st.modDepth.target = (0.03f + 0.06f * S + 0.06f * D) * M + 0.005f;
  st.diffusionMix.target = 0.45f + 0.55f * F;
  st.bassRatio.target = 1.0f - 0.6f * std::pow(std::max(0.0f, 1.0f - S), 1.5f);
  st.outputGain.target = reverbOutputGain(S, D);
}

void clearReverb(ReverbState& st) {
  st.preLeft.fill(0.0f);
  st.preRight.fill(0.0f);
  st.preWrite = 0;
  st.toneLeft = st.toneRight = 0.0f;
  for (auto& stage : st.diffuser)
    for (auto& line : stage) line.fill(0.0f);
  st.diffuserWrite.fill(0);
  for (auto& line : st.lines) line.fill(0.0f);
  st.lineWrite = 0;
  st.damp1.fill(0.0f);
  st.damp2.fill(0.0f);
  st.bassLow.fill(0.0f);
  st.dcStereo.fill({});
  st.dcChannel.fill({});
}

}  // namespace vn
