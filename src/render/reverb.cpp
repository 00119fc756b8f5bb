#include "render/reverb.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// The eight lines side by side as two four-wide vectors, the width every
// target's vector registers have, so the per-frame work of the network is a
// handful of vector instructions rather than eight scalar loops.
using Four = float __attribute__((vector_size(16)));
using FourInt = int32_t __attribute__((vector_size(16)));

struct Eight {
  Four lo, hi;
};

inline Eight load8(const float* p) {
  Eight v;
  std::memcpy(&v.lo, p, sizeof v.lo);
  std::memcpy(&v.hi, p + 4, sizeof v.hi);
  return v;
}
inline void store8(float* p, const Eight& v) {
  std::memcpy(p, &v.lo, sizeof v.lo);
  std::memcpy(p + 4, &v.hi, sizeof v.hi);
}
inline Eight operator+(const Eight& a, const Eight& b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Eight operator-(const Eight& a, const Eight& b) { return {a.lo - b.lo, a.hi - b.hi}; }
inline Eight operator*(const Eight& a, const Eight& b) { return {a.lo * b.lo, a.hi * b.hi}; }
inline Eight operator+(const Eight& a, float b) { return {a.lo + b, a.hi + b}; }
inline Eight operator-(const Eight& a, float b) { return {a.lo - b, a.hi - b}; }
inline Eight operator*(float a, const Eight& b) { return {a * b.lo, a * b.hi}; }
inline Eight& operator+=(Eight& a, const Eight& b) { return a = a + b; }

inline Four clampFour(Four x, float lo, float hi) {
  x = x < lo ? lo : x;
  return x > hi ? hi : x;
}
inline Eight clamp8(const Eight& x, float lo, float hi) { return {clampFour(x.lo, lo, hi), clampFour(x.hi, lo, hi)}; }
// A lane that is not finite (x - x is not 0) becomes 0.
inline Four finiteFour(Four x) { return (x - x) == 0.0f ? x : 0.0f; }
inline Eight finite8(const Eight& x) { return {finiteFour(x.lo), finiteFour(x.hi)}; }

uint32_t mixHash(uint32_t x) { return ((x >> 16) ^ x) * 73244475u; }

float finiteOr0(float v) { return std::isfinite(v) ? v : 0.0f; }

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

// One step of a bank of eight phasors.
inline void rotate(Eight& s, Eight& c, const Eight& rs, const Eight& rc) {
  const Eight s0 = s;
  s = s0 * rc + c * rs;
  c = c * rc - s0 * rs;
}

inline void renormalise(Eight& s, Eight& c) {
  const Eight q = s * s + c * c;
  const Eight k{1.5f - 0.5f * q.lo, 1.5f - 0.5f * q.hi};
  s = s * k;
  c = c * k;
}

inline void glide(Smoothed& v, float c) { v.current += c * (v.target - v.current); }

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

constexpr int kBlock = 32;

// One 32-frame block, planar: x[channel][frame].
using Block = float[kReverbLines][kBlock];

// Ring-buffer copies of a block, in at most two straight pieces.
// A whole block that does not wrap, the usual case, is one copy of known size,
// which the compiler makes a few vector moves.
void copyRun(float* to, const float* from, int n) {
  if (n == kBlock) {
    std::memcpy(to, from, sizeof(float) * kBlock);
    return;
  }
  for (int i = 0; i < n; ++i) to[i] = from[i];
}

void toRing(float* ring, uint32_t mask, uint32_t start, const float* in, int n) {
  const uint32_t first = start & mask;
  const int head = std::min<int>(n, static_cast<int>(mask + 1 - first));
  copyRun(ring + first, in, head);
  copyRun(ring, in + head, n - head);
}

void fromRing(const float* ring, uint32_t mask, uint32_t start, float* out, int n) {
  const uint32_t first = start & mask;
  const int head = std::min<int>(n, static_cast<int>(mask + 1 - first));
  copyRun(out, ring + first, head);
  copyRun(out + head, ring, n - head);
}

// A diffuser stage over a block: every line takes its input, then each frame
// reads the lines at their delays (all at least one frame, so what a frame reads
// was written before it), mixes them with the Hadamard transform and flips signs.
void diffuseBlock(ReverbState& st, int stage, Block& x, int n) {
  auto& buffers = st.diffuser[stage];
  const uint32_t w0 = st.diffuserWrite[stage];
  for (int j = 0; j < kReverbLines; ++j) {
    const uint32_t d = static_cast<uint32_t>(st.diffuserInt[stage][j]);
    const float frac = st.diffuserSettled ? 0.0f : st.diffuserFrac[stage][j];
    float* line = buffers[j].data();
    if (d + 1 + static_cast<uint32_t>(n) > kReverbDiffuserLength) {
      // A delay this close to the line length would read, within one block,
      // what a later frame of the block writes: this line goes frame by frame.
      for (int f = 0; f < n; ++f) {
        const uint32_t w = w0 + static_cast<uint32_t>(f);
        line[w & kDiffuserMask] = x[j][f];
        const float a = line[(w - d) & kDiffuserMask];
        x[j][f] = a + frac * (line[(w - d - 1) & kDiffuserMask] - a);
      }
      continue;
    }
    toRing(line, kDiffuserMask, w0, x[j], n);
    fromRing(line, kDiffuserMask, w0 - d, x[j], n);
    if (!st.diffuserSettled) {
      float further[kBlock];
      fromRing(line, kDiffuserMask, w0 - d - 1, further, n);
      for (int f = 0; f < n; ++f) x[j][f] += frac * (further[f] - x[j][f]);
    }
  }
  // The Hadamard butterflies run along the whole block, one line pair at a
  // time: a fixed length the compiler vectorises; the frames past n are zero.
  for (int len = 1; len < kReverbLines; len <<= 1) {
    for (int i = 0; i < kReverbLines; i += len << 1) {
      for (int j = i; j < i + len; ++j) {
        for (int f = 0; f < kBlock; ++f) {
          const float a = x[j][f], b = x[j + len][f];
          x[j][f] = a + b;
          x[j + len][f] = a - b;
        }
      }
    }
  }
  for (int j = 0; j < kReverbLines; ++j) {
    const float k = 0.35355338f * st.diffuserSign[stage][j];
    for (int f = 0; f < kBlock; ++f) x[j][f] *= k;
  }
  st.diffuserWrite[stage] = w0 + static_cast<uint32_t>(n);
}

// Line-major block to frame-major, four by four.
void transposeBlock(const Block& in, float (&out)[kBlock][kReverbLines]) {
  constexpr FourInt lowPairs{0, 4, 1, 5}, highPairs{2, 6, 3, 7}, lowHalves{0, 1, 4, 5}, highHalves{2, 3, 6, 7};
  for (int f = 0; f < kBlock; f += 4) {
    for (int i = 0; i < kReverbLines; i += 4) {
      Four r[4];
      for (int k = 0; k < 4; ++k) std::memcpy(&r[k], &in[i + k][f], sizeof(Four));
      const Four a = __builtin_shuffle(r[0], r[1], lowPairs), b = __builtin_shuffle(r[2], r[3], lowPairs);
      const Four c = __builtin_shuffle(r[0], r[1], highPairs), d = __builtin_shuffle(r[2], r[3], highPairs);
      const Four cols[4] = {__builtin_shuffle(a, b, lowHalves), __builtin_shuffle(a, b, highHalves),
                            __builtin_shuffle(c, d, lowHalves), __builtin_shuffle(c, d, highHalves)};
      for (int k = 0; k < 4; ++k) std::memcpy(&out[f + k][i], &cols[k], sizeof(Four));
    }
  }
}

// Pre-delay over a block, each frame written before it is read: the longest
// delay reaches all the way round the ring, onto the slot the next frame writes.
void preDelayBlock(ReverbState& st, const float* inL, const float* inR, float* outL, float* outR, int n) {
  const int d = st.preDelayInt;
  const float frac = d >= 1 && st.preDelayFrac >= 0.001f ? st.preDelayFrac : 0.0f;
  int w = st.preWrite;
  for (int f = 0; f < n; ++f) {
    st.preLeft[w] = finiteOr0(inL[f]);
    st.preRight[w] = finiteOr0(inR[f]);
    int a = w - d;
    if (a < 0) a += kReverbPreDelayRing;
    const int b = a == 0 ? kReverbPreDelayRing - 1 : a - 1;
    outL[f] = st.preLeft[a] + frac * (st.preLeft[b] - st.preLeft[a]);
    outR[f] = st.preRight[a] + frac * (st.preRight[b] - st.preRight[a]);
    if (++w == kReverbPreDelayRing) w = 0;
  }
  st.preWrite = w;
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

void processReverb(ReverbState& st, const float* sendLeft, const float* sendRight, float* returnLeft,
                   float* returnRight, float* const* channelOut, int frames, int channelCount) {
  const int outChannels = channelOut ? std::clamp(channelCount, 0, kReverbLines) : 0;
  static constexpr float kLineSign[kReverbLines] = {1, -1, -1, 1, 1, -1, -1, 1};
  for (int done = 0; done < frames;) {
    // Blocks end where the next glide is due.
    const int n = std::min(frames - done, kBlock - static_cast<int>(st.lineWrite & 31u));
    if ((st.lineWrite & 31u) == 0) glideDelays(st);

    // Per-frame coefficients, each moving toward its target.
    float gain[kBlock], damp[kBlock], fb[kBlock], toneCoef[kBlock], depth[kBlock], bass[kBlock];
    float mix[kBlock] = {};  // whole-block loops read it past n
    for (int f = 0; f < n; ++f) {
      glide(st.outputGain, st.c5);
      glide(st.dampCoef, st.c5);
      glide(st.feedback, st.c5);
      glide(st.diffusionMix, st.c5);
      glide(st.inputCoef, st.c5);
      glide(st.modDepth, st.c5);
      glide(st.bassRatio, st.c5);
      gain[f] = 0.25f * st.outputGain.current;
      damp[f] = st.dampCoef.current;
      fb[f] = st.feedback.current;
      mix[f] = st.diffusionMix.current;
      toneCoef[f] = st.inputCoef.current;
      depth[f] = st.modDepth.current;
      bass[f] = st.bassRatio.current - 1.0f;
    }

    // Pre-delay, input tone and the spread onto eight channels.
    float xl[kBlock], xr[kBlock];
    preDelayBlock(st, sendLeft + done, sendRight + done, xl, xr, n);
    float toneL[kBlock] = {}, toneR[kBlock] = {};  // frames past n stay zero
    for (int f = 0; f < n; ++f) {
      st.toneLeft += toneCoef[f] * (xl[f] - st.toneLeft);
      st.toneRight += toneCoef[f] * (xr[f] - st.toneRight);
      toneL[f] = st.toneLeft;
      toneR[f] = st.toneRight;
    }
    Block spread, e;
    for (int k = 0; k < 4; ++k) {
      const float w = kSpreadWeight[k];
      for (int f = 0; f < kBlock; ++f) {
        spread[2 * k][f] = (1.0f - w) * toneL[f] + w * toneR[f];
        spread[2 * k + 1][f] = (1.0f - w) * toneR[f] + w * toneL[f];
      }
    }
    std::memcpy(e, spread, sizeof(Block));
    for (int s = 0; s < kReverbDiffuserStages; ++s) diffuseBlock(st, s, e, n);

    // The feedback network. Every read lies further back than the block (the
    // lines are at least 64 frames and the modulation shortens them by at most
    // 27 %), so all reads of the block are taken first, then the recursion runs
    // frame by frame with the eight lines side by side, then the block is written.
    // The phasors turn in locals; each frame's eight read positions and
    // fractions are worked out together, then the lines are read.
    Eight sa = load8(st.lfoA.s.data()), ca = load8(st.lfoA.c.data());
    Eight sb = load8(st.lfoB.s.data()), cb = load8(st.lfoB.c.data());
    const Eight rsA = load8(st.lfoA.rs.data()), rcA = load8(st.lfoA.rc.data());
    const Eight rsB = load8(st.lfoB.rs.data()), rcB = load8(st.lfoB.rc.data());
    float baseDelay[kReverbLines];
    for (int i = 0; i < kReverbLines; ++i) baseDelay[i] = st.lineDelay[i].current;
    const Eight base = load8(baseDelay);
    int32_t back[kBlock][kReverbLines];
    float frac[kBlock][kReverbLines];
    for (int f = 0; f < n; ++f) {
      rotate(sa, ca, rsA, rcA);
      rotate(sb, cb, rsB, rcB);
      const Eight delay = clamp8(base * (depth[f] * (sa + 0.75f * sb) + 1.0f), 1.0f, 16382.0f);
      // Truncation to whole samples: the delay is positive and small.
      const FourInt lo = __builtin_convertvector(delay.lo, FourInt), hi = __builtin_convertvector(delay.hi, FourInt);
      store8(frac[f], delay - Eight{__builtin_convertvector(lo, Four), __builtin_convertvector(hi, Four)});
      std::memcpy(back[f], &lo, sizeof lo);
      std::memcpy(back[f] + 4, &hi, sizeof hi);
      // After the frame that completes each 1024, as the write counter advances.
      if (((st.lineWrite + static_cast<uint32_t>(f) + 1) & 1023u) == 0) {
        renormalise(sa, ca);
        renormalise(sb, cb);
      }
    }
    store8(st.lfoA.s.data(), sa);
    store8(st.lfoA.c.data(), ca);
    store8(st.lfoB.s.data(), sb);
    store8(st.lfoB.c.data(), cb);
    float o[kBlock][kReverbLines];
    for (int f = 0; f < n; ++f) {
      for (int i = 0; i < kReverbLines; ++i) {
        const float* line = st.lines[i].data();
        const uint32_t at = st.lineWrite + static_cast<uint32_t>(f) - static_cast<uint32_t>(back[f][i]);
        const float x = line[at & kLineMask];
        o[f][i] = x + frac[f][i] * (line[(at - 1) & kLineMask] - x);
      }
    }
    // Frame-major copies of what the recursion needs, so each frame's eight
    // lines sit side by side: the network input u and the diffused signal e.
    Block u;
    for (int i = 0; i < kReverbLines; ++i)
      for (int f = 0; f < kBlock; ++f) u[i][f] = (1.0f - mix[f]) * spread[i][f] + mix[f] * e[i][f];
    float uT[kBlock][kReverbLines], eT[kBlock][kReverbLines];
    transposeBlock(u, uT);
    transposeBlock(e, eT);
    // The recursion, frame by frame with the eight lines side by side; the
    // filter states stay in locals for the block so they can live in registers.
    float wT[kBlock][kReverbLines];
    Eight y1 = load8(st.damp1.data()), y2 = load8(st.damp2.data()), z = load8(st.bassLow.data());
    const Eight sign = load8(kLineSign);
    const float c300 = st.c300;
    for (int f = 0; f < n; ++f) {
      const Eight of = load8(o[f]);
      float sum = 0.0f;
      for (int i = 0; i < kReverbLines; ++i) sum += o[f][i];
      const Eight v = (of - 0.25f * sum) * sign;
      y1 += damp[f] * (v - y1);
      y2 += damp[f] * (y1 - y2);
      z += c300 * (y2 - z);
      // Non-finite values become 0, the rest is limited to +-8.
      store8(wT[f], clamp8(finite8(fb[f] * (y2 + bass[f] * z) + load8(uT[f])), -8.0f, 8.0f));
      float tap[kReverbLines];
      store8(tap, 0.07f * load8(eT[f]) + of);
      float tapL = 0.0f, tapR = 0.0f;
      for (int i = 0; i < kReverbLines; i += 2) {
        tapL += tap[i];
        tapR += tap[i + 1];
      }
      returnLeft[done + f] = dcBlock(st.dcStereo[0], (tapL + 0.18f * tapR) * gain[f]);
      returnRight[done + f] = dcBlock(st.dcStereo[1], (tapR + 0.18f * tapL) * gain[f]);
      for (int i = 0; i < outChannels; ++i) channelOut[i][done + f] = dcBlock(st.dcChannel[i], tap[i] * gain[f]);
    }
    store8(st.damp1.data(), y1);
    store8(st.damp2.data(), y2);
    store8(st.bassLow.data(), z);
    for (int i = 0; i < kReverbLines; ++i) {
      float* line = st.lines[i].data();
      const uint32_t first = st.lineWrite & kLineMask;
      if (first + static_cast<uint32_t>(n) <= kReverbLineLength) {
        for (int f = 0; f < n; ++f) line[first + f] = wT[f][i];
      } else {
        for (int f = 0; f < n; ++f) line[(first + f) & kLineMask] = wT[f][i];
      }
    }
    st.lineWrite += static_cast<uint32_t>(n);
    done += n;
  }
}

}  // namespace vn
