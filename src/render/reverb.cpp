#include "render/reverb.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace vn {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr uint32_t kDiffuserMask = kReverbDiffuserLength - 1;
constexpr uint32_t kLineMask = kReverbLineLength - 1;
constexpr std::array<float, kReverbLines> kRateA{0.31f, 0.43f, 0.67f, 0.37f, 0.53f, 0.71f, 0.47f, 0.59f};
constexpr std::array<float, kReverbLines> kRateB{1.13f, 0.89f, 1.31f, 0.97f, 1.07f, 1.23f, 0.83f, 1.19f};
constexpr std::array<float, 4> kSpreadWeight{0.0f, 0.08f, 0.16f, 0.24f};

uint32_t mixHash(uint32_t x) { return ((x >> 16) ^ x) * 73244475u; }

float finiteOr0(float v) { return std::isfinite(v) ? v : 0.0f; }

float clampParam(float v, float lo, float hi, float fallback) {
  return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
}

Phasor makePhasor(double turns, double hz, int rate) {
  Phasor p;
  p.s = static_cast<float>(std::sin(kTwoPi * turns));
  p.c = static_cast<float>(std::cos(kTwoPi * turns));
  const double step = kTwoPi * hz / rate;
  p.rs = static_cast<float>(std::sin(step));
  p.rc = static_cast<float>(std::cos(step));
  return p;
}

inline void rotate(Phasor& p) {
  const float s = p.s * p.rc + p.c * p.rs;
  const float c = p.c * p.rc - p.s * p.rs;
  p.s = s;
  p.c = c;
}

inline void renormalise(Phasor& p) {
  const float k = 1.5f - 0.5f * (p.s * p.s + p.c * p.c);
  p.s *= k;
  p.c *= k;
}

inline void glide(Smoothed& v, float c) { v.current += c * (v.target - v.current); }

// In-place 8-point Hadamard transform scaled by 1/sqrt(8).
inline void hadamard8(float* x) {
  for (int len = 1; len < 8; len <<= 1) {
    for (int i = 0; i < 8; i += len << 1) {
      for (int j = i; j < i + len; ++j) {
        const float a = x[j], b = x[j + len];
        x[j] = a + b;
        x[j + len] = a - b;
      }
    }
  }
  for (int i = 0; i < 8; ++i) x[i] *= 0.35355338f;
}

inline float dcBlock(DcBlocker& dc, float x) {
  float y = x - dc.prevIn + 0.9995f * dc.prevOut;
  if (!std::isfinite(y)) y = 0.0f;
  dc.prevIn = std::isfinite(x) ? x : 0.0f;
  dc.prevOut = y;
  return y;
}

// Every 32 frames: delay lengths glide toward their targets.
void glideDelays(ReverbState& st) {
  glide(st.preDelay, st.c32);
  st.preDelayInt = static_cast<int>(st.preDelay.current);
  st.preDelayFrac = st.preDelay.current - static_cast<float>(st.preDelayInt);
  for (auto& d : st.lineDelay) glide(d, st.c32);
  bool settled = true;
  for (int s = 0; s < kReverbDiffuserStages; ++s) {
    for (int j = 0; j < kReverbLines; ++j) {
      Smoothed& d = st.diffuserDelay[s][j];
      glide(d, st.c32);
      settled = settled && std::fabs(d.current - d.target) < 0.01f;
      st.diffuserInt[s][j] = static_cast<int>(d.current);
      st.diffuserFrac[s][j] = d.current - static_cast<float>(st.diffuserInt[s][j]);
    }
  }
  st.diffuserSettled = settled;
  if (settled) {
    for (auto& stage : st.diffuserFrac) stage.fill(0.0f);
  }
}

void diffuse(ReverbState& st, int stage, float* x) {
  auto& buffers = st.diffuser[stage];
  const uint32_t w = st.diffuserWrite[stage];
  for (int j = 0; j < kReverbLines; ++j) buffers[j][w & kDiffuserMask] = x[j];
  for (int j = 0; j < kReverbLines; ++j) {
    const uint32_t n = static_cast<uint32_t>(st.diffuserInt[stage][j]);
    const float a = buffers[j][(w - n) & kDiffuserMask];
    if (st.diffuserSettled) {
      x[j] = a;
    } else {
      const float b = buffers[j][(w - n - 1) & kDiffuserMask];
      x[j] = a + st.diffuserFrac[stage][j] * (b - a);
    }
  }
  hadamard8(x);
  for (int j = 0; j < kReverbLines; ++j) x[j] *= st.diffuserSign[stage][j];
  st.diffuserWrite[stage] = w + 1;
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
    st.lfoA[i] = makePhasor(i / 8.0, kRateA[i], st.sampleRate);
    st.lfoB[i] = makePhasor(i / 8.0 + 0.5, kRateB[i], st.sampleRate);
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

void processReverb(ReverbState& st, const float* sendLeft, const float* sendRight, float* returnLeft,
                   float* returnRight, float* const* channelOut, int frames, int channelCount) {
  const int outChannels = channelOut ? std::clamp(channelCount, 0, kReverbLines) : 0;
  for (int f = 0; f < frames; ++f) {
    if ((st.lineWrite & 31u) == 0) glideDelays(st);
    glide(st.outputGain, st.c5);
    glide(st.dampCoef, st.c5);
    glide(st.feedback, st.c5);
    glide(st.diffusionMix, st.c5);
    glide(st.inputCoef, st.c5);
    glide(st.modDepth, st.c5);
    glide(st.bassRatio, st.c5);

    // Pre-delay.
    const float inL = finiteOr0(sendLeft[f]), inR = finiteOr0(sendRight[f]);
    st.preLeft[st.preWrite] = inL;
    st.preRight[st.preWrite] = inR;
    float xl = inL, xr = inR;
    if (st.preDelayInt >= 1) {
      const int a = (st.preWrite - st.preDelayInt + kReverbPreDelayRing) % kReverbPreDelayRing;
      xl = st.preLeft[a];
      xr = st.preRight[a];
      if (st.preDelayFrac >= 0.001f) {
        const int b = (a - 1 + kReverbPreDelayRing) % kReverbPreDelayRing;
        xl += st.preDelayFrac * (st.preLeft[b] - xl);
        xr += st.preDelayFrac * (st.preRight[b] - xr);
      }
    }
    st.preWrite = (st.preWrite + 1) % kReverbPreDelayRing;

    // Input tone.
    const float ci = st.inputCoef.current;
    st.toneLeft += ci * (xl - st.toneLeft);
    st.toneRight += ci * (xr - st.toneRight);

    // Spread onto eight channels.
    float spread[kReverbLines];
    for (int k = 0; k < 4; ++k) {
      const float w = kSpreadWeight[k];
      spread[2 * k] = (1.0f - w) * st.toneLeft + w * st.toneRight;
      spread[2 * k + 1] = (1.0f - w) * st.toneRight + w * st.toneLeft;
    }
    float e[kReverbLines];
    std::copy(spread, spread + kReverbLines, e);
    for (int s = 0; s < kReverbDiffuserStages; ++s) diffuse(st, s, e);

    // Network read with modulated delays.
    const float d = st.diffusionMix.current, m = st.modDepth.current;
    const uint32_t w = st.lineWrite;
    float o[kReverbLines];
    float sum = 0.0f;
    for (int i = 0; i < kReverbLines; ++i) {
      rotate(st.lfoA[i]);
      rotate(st.lfoB[i]);
      float delay = st.lineDelay[i].current * (1.0f + m * (st.lfoA[i].s + 0.75f * st.lfoB[i].s));
      delay = std::clamp(delay, 1.0f, 16382.0f);
      const uint32_t n = static_cast<uint32_t>(delay);
      const float frac = delay - static_cast<float>(n);
      const auto& line = st.lines[i];
      const float a = line[(w - n) & kLineMask];
      const float b = line[(w - n - 1) & kLineMask];
      o[i] = a + frac * (b - a);
      sum += o[i];
    }

    // Householder feedback, damping, bass shelf and write.
    const float cd = st.dampCoef.current, g = st.feedback.current, bass = st.bassRatio.current - 1.0f;
    for (int i = 0; i < kReverbLines; ++i) {
      float v = o[i] - 0.25f * sum;
      if (i == 1 || i == 2 || i == 5 || i == 6) v = -v;
      st.damp1[i] += cd * (v - st.damp1[i]);
      st.damp2[i] += cd * (st.damp1[i] - st.damp2[i]);
      st.bassLow[i] += st.c300 * (st.damp2[i] - st.bassLow[i]);
      const float u = (1.0f - d) * spread[i] + d * e[i];
      float written = (st.damp2[i] + bass * st.bassLow[i]) * g + u;
      written = std::isfinite(written) ? std::clamp(written, -8.0f, 8.0f) : 0.0f;
      st.lines[i][w & kLineMask] = written;
    }
    st.lineWrite = w + 1;
    if ((st.lineWrite & 1023u) == 0) {
      for (int i = 0; i < kReverbLines; ++i) {
        renormalise(st.lfoA[i]);
        renormalise(st.lfoB[i]);
      }
    }

    // Outputs.
    const float gain = 0.25f * st.outputGain.current;
    float tap[kReverbLines];
    float ls = 0.0f, rs = 0.0f;
    for (int i = 0; i < kReverbLines; ++i) {
      tap[i] = 0.07f * e[i] + o[i];
      (i % 2 == 0 ? ls : rs) += tap[i];
    }
    returnLeft[f] = dcBlock(st.dcStereo[0], (ls + 0.18f * rs) * gain);
    returnRight[f] = dcBlock(st.dcStereo[1], (rs + 0.18f * ls) * gain);
    for (int i = 0; i < outChannels; ++i) channelOut[i][f] = dcBlock(st.dcChannel[i], tap[i] * gain);
  }
}

}  // namespace vn
