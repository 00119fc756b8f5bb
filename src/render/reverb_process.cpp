// The reverb's per-frame work, done a 32-frame block at a time.
#include "render/reverb.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vn {

namespace {

constexpr uint32_t kDiffuserMask = kReverbDiffuserLength - 1;
constexpr uint32_t kLineMask = kReverbLineLength - 1;
constexpr std::array<float, 4> kSpreadWeight{0.0f, 0.08f, 0.16f, 0.24f};
constexpr float kLineSign[kReverbLines] = {1, -1, -1, 1, 1, -1, -1, 1};
constexpr int kBlock = 32;

// One block, line-major (x[line][frame]) or frame-major (x[frame][line]).
using Block = float[kReverbLines][kBlock];
using FrameBlock = float[kBlock][kReverbLines];

// The eight lines side by side as two four-wide vectors, the width every
// target's vector registers have, so the per-frame work of the network is a
// handful of vector instructions rather than eight scalar loops.
using Four = float __attribute__((vector_size(16)));
using FourInt = int32_t __attribute__((vector_size(16)));
using FourIndex = uint32_t __attribute__((vector_size(16)));
using Two = float __attribute__((vector_size(8)));

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
inline Eight operator*(const Eight& a, float b) { return {a.lo * b, a.hi * b}; }
inline Eight& operator+=(Eight& a, const Eight& b) { return a = a + b; }

inline Four clampFour(Four x, float lo, float hi) {
  x = x < lo ? lo : x;
  return x > hi ? hi : x;
}
inline Eight clamp8(const Eight& x, float lo, float hi) { return {clampFour(x.lo, lo, hi), clampFour(x.hi, lo, hi)}; }
// A lane that is not finite (x - x is not 0) becomes 0.
inline Four finiteFour(Four x) { return (x - x) == 0.0f ? x : 0.0f; }
inline Eight finite8(const Eight& x) { return {finiteFour(x.lo), finiteFour(x.hi)}; }

float finiteOr0(float v) { return std::isfinite(v) ? v : 0.0f; }

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

inline void butterfly(Four& p, Four& q) {
  const Four sum = p + q;
  q = p - q;
  p = sum;
}

// The 8-point Hadamard transform of four frames held in registers, scaled by
// 1/sqrt(8) and the line's polarity. Written out so that nothing spills.
inline void hadamardFour(Four (&a)[kReverbLines], const float (&scale)[kReverbLines]) {
  butterfly(a[0], a[1]);
  butterfly(a[2], a[3]);
  butterfly(a[4], a[5]);
  butterfly(a[6], a[7]);
  butterfly(a[0], a[2]);
  butterfly(a[1], a[3]);
  butterfly(a[4], a[6]);
  butterfly(a[5], a[7]);
  butterfly(a[0], a[4]);
  butterfly(a[1], a[5]);
  butterfly(a[2], a[6]);
  butterfly(a[3], a[7]);
  for (int j = 0; j < kReverbLines; ++j) a[j] *= scale[j];
}

// A diffuser stage over a block: every line takes its input, then each frame
// reads the lines at their delays (all at least one frame, so what a frame reads
// was written before it), mixes them with the Hadamard transform and flips signs.
// A settled line whose block lies straight in its ring is read in place.
void diffuseBlock(ReverbState& st, int stage, Block& x, int n) {
  auto& buffers = st.diffuser[stage];
  const uint32_t w0 = st.diffuserWrite[stage];
  Block copy;
  const float* read[kReverbLines];
  for (int j = 0; j < kReverbLines; ++j) {
    const uint32_t d = static_cast<uint32_t>(st.diffuserInt[stage][j]);
    const float frac = st.diffuserSettled ? 0.0f : st.diffuserFrac[stage][j];
    float* line = buffers[j].data();
    read[j] = copy[j];
    if (d + 1 + static_cast<uint32_t>(n) > kReverbDiffuserLength) {
      // A delay this close to the line length would read, within one block,
      // what a later frame of the block writes: this line goes frame by frame.
      for (int f = 0; f < n; ++f) {
        const uint32_t w = w0 + static_cast<uint32_t>(f);
        line[w & kDiffuserMask] = x[j][f];
        const float a = line[(w - d) & kDiffuserMask];
        copy[j][f] = a + frac * (line[(w - d - 1) & kDiffuserMask] - a);
      }
    } else {
      toRing(line, kDiffuserMask, w0, x[j], n);
      const uint32_t from = (w0 - d) & kDiffuserMask;
      if (st.diffuserSettled && from + kBlock <= kReverbDiffuserLength) {
        read[j] = line + from;
        continue;
      }
      fromRing(line, kDiffuserMask, w0 - d, copy[j], n);
      if (!st.diffuserSettled) {
        float further[kBlock];
        fromRing(line, kDiffuserMask, w0 - d - 1, further, n);
        for (int f = 0; f < n; ++f) copy[j][f] += frac * (further[f] - copy[j][f]);
      }
    }
    std::fill(copy[j] + n, copy[j] + kBlock, 0.0f);
  }
  float scale[kReverbLines];
  for (int j = 0; j < kReverbLines; ++j) scale[j] = 0.35355338f * st.diffuserSign[stage][j];
  // The whole block, four frames at a time; what lies past n is never used.
  for (int f = 0; f < kBlock; f += 4) {
    Four a[kReverbLines];
    for (int j = 0; j < kReverbLines; ++j) std::memcpy(&a[j], read[j] + f, sizeof(Four));
    hadamardFour(a, scale);
    for (int j = 0; j < kReverbLines; ++j) std::memcpy(&x[j][f], &a[j], sizeof(Four));
  }
  st.diffuserWrite[stage] = w0 + static_cast<uint32_t>(n);
}

// The 4×4 tile at `in` (rows inStride floats apart) turned into rows of `out`.
inline void transposeTile(const float* in, int inStride, float* out, int outStride) {
  constexpr FourInt lowPairs{0, 4, 1, 5}, highPairs{2, 6, 3, 7}, lowHalves{0, 1, 4, 5}, highHalves{2, 3, 6, 7};
  Four r[4];
  for (int k = 0; k < 4; ++k) std::memcpy(&r[k], in + k * inStride, sizeof(Four));
  const Four a = __builtin_shuffle(r[0], r[1], lowPairs), b = __builtin_shuffle(r[2], r[3], lowPairs);
  const Four c = __builtin_shuffle(r[0], r[1], highPairs), d = __builtin_shuffle(r[2], r[3], highPairs);
  const Four cols[4] = {__builtin_shuffle(a, b, lowHalves), __builtin_shuffle(a, b, highHalves),
                        __builtin_shuffle(c, d, lowHalves), __builtin_shuffle(c, d, highHalves)};
  for (int k = 0; k < 4; ++k) std::memcpy(out + k * outStride, &cols[k], sizeof(Four));
}

void linesToFrames(const Block& in, FrameBlock& out) {
  for (int f = 0; f < kBlock; f += 4)
    for (int i = 0; i < kReverbLines; i += 4) transposeTile(&in[i][f], kBlock, &out[f][i], kReverbLines);
}

void framesToLines(const FrameBlock& in, Block& out) {
  for (int f = 0; f < kBlock; f += 4)
    for (int i = 0; i < kReverbLines; i += 4) transposeTile(&in[f][i], kReverbLines, &out[i][f], kBlock);
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

// Frames past n of a short block, which whole-block loops read.
void clearFramesFrom(FrameBlock& x, int n) {
  if (n < kBlock) std::memset(x[n], 0, sizeof(float) * kReverbLines * (kBlock - n));
}

// Four feedback lines read at once, each at its position and the sample one
// further back, which sit side by side (the slot past a ring repeats its start),
// and interpolated.
inline Four readLines(const ReverbState& st, int firstLine, FourIndex at, Four frac) {
  const FourIndex older = (at - 1u) & kLineMask;
  Two pair[4];
  for (int k = 0; k < 4; ++k) std::memcpy(&pair[k], &st.lines[firstLine + k][older[k]], sizeof(Two));
  const Four a = __builtin_shufflevector(pair[0], pair[1], 0, 1, 2, 3);
  const Four b = __builtin_shufflevector(pair[2], pair[3], 0, 1, 2, 3);
  const Four before = __builtin_shufflevector(a, b, 0, 2, 4, 6), x = __builtin_shufflevector(a, b, 1, 3, 5, 7);
  return x + frac * (before - x);
}

// The modulated reads of the network for n frames, frame-major. Every read lies
// further back than the block (the lines are at least 64 frames and the
// modulation shortens them by at most 27 %), so they can all come first.
void readNetwork(ReverbState& st, const float* depth, FrameBlock& o, int n) {
  Eight sa = load8(st.lfoA.s.data()), ca = load8(st.lfoA.c.data());
  Eight sb = load8(st.lfoB.s.data()), cb = load8(st.lfoB.c.data());
  const Eight rsA = load8(st.lfoA.rs.data()), rcA = load8(st.lfoA.rc.data());
  const Eight rsB = load8(st.lfoB.rs.data()), rcB = load8(st.lfoB.rc.data());
  float baseDelay[kReverbLines];
  for (int i = 0; i < kReverbLines; ++i) baseDelay[i] = st.lineDelay[i].current;
  const Eight base = load8(baseDelay);
  for (int f = 0; f < n; ++f) {
    rotate(sa, ca, rsA, rcA);
    rotate(sb, cb, rsB, rcB);
    const Eight delay = clamp8(base * (depth[f] * (sa + 0.75f * sb) + 1.0f), 1.0f, 16382.0f);
    // Truncation to whole samples: the delay is positive and small.
    const FourInt lo = __builtin_convertvector(delay.lo, FourInt), hi = __builtin_convertvector(delay.hi, FourInt);
    const Four fracLo = delay.lo - __builtin_convertvector(lo, Four);
    const Four fracHi = delay.hi - __builtin_convertvector(hi, Four);
    const uint32_t w = st.lineWrite + static_cast<uint32_t>(f);
    const Eight value{readLines(st, 0, w - __builtin_convertvector(lo, FourIndex), fracLo),
                      readLines(st, 4, w - __builtin_convertvector(hi, FourIndex), fracHi)};
    store8(o[f], value);
    // After the frame that completes each 1024, as the write counter advances.
    if ((w + 1) % 1024 == 0) {
      renormalise(sa, ca);
      renormalise(sb, cb);
    }
  }
  store8(st.lfoA.s.data(), sa);
  store8(st.lfoA.c.data(), ca);
  store8(st.lfoB.s.data(), sb);
  store8(st.lfoB.c.data(), cb);
  clearFramesFrom(o, n);
}

// The per-channel outputs, the eight DC blockers side by side; the state of
// channels not asked for is left as it was.
void channelOutputs(ReverbState& st, const Block& e, const FrameBlock& o, const float* gain, float* const* out,
                    int done, int n, int count) {
  FrameBlock eT, y;
  linesToFrames(e, eT);
  float in[kReverbLines], prev[kReverbLines];
  for (int i = 0; i < kReverbLines; ++i) {
    in[i] = st.dcChannel[i].prevIn;
    prev[i] = st.dcChannel[i].prevOut;
  }
  Eight prevIn = load8(in), prevOut = load8(prev);
  for (int f = 0; f < n; ++f) {
    const Eight x = (0.07f * load8(eT[f]) + load8(o[f])) * gain[f];
    prevOut = finite8(x - prevIn + 0.9995f * prevOut);
    prevIn = finite8(x);
    store8(y[f], prevOut);
  }
  store8(in, prevIn);
  store8(prev, prevOut);
  clearFramesFrom(y, n);
  Block lines;
  framesToLines(y, lines);
  for (int i = 0; i < count; ++i) {
    std::memcpy(out[i] + done, lines[i], sizeof(float) * n);
    st.dcChannel[i] = {in[i], prev[i]};
  }
}

}  // namespace

// Everything the block loop calls is inlined into it, and it is built twice:
// once for any x86-64 and once for processors with AVX2, whose three-operand
// instructions save the register copies; the loader picks one. Neither build
// contracts multiplies and adds, so both give the same samples.
__attribute__((flatten, target_clones("avx2", "default")))
void processReverb(ReverbState& st, const float* sendLeft, const float* sendRight, float* returnLeft,
                   float* returnRight, float* const* channelOut, int frames, int channelCount) {
  const int outChannels = channelOut ? std::clamp(channelCount, 0, kReverbLines) : 0;
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

    // The network: all reads of the block first, then the recursion frame by
    // frame with the eight lines side by side, then the block is written.
    FrameBlock o;
    readNetwork(st, depth, o, n);
    Block u, lines;
    for (int i = 0; i < kReverbLines; ++i)
      for (int f = 0; f < kBlock; ++f) u[i][f] = (1.0f - mix[f]) * spread[i][f] + mix[f] * e[i][f];
    FrameBlock uT;
    linesToFrames(u, uT);
    framesToLines(o, lines);
    // The Householder sums and the output taps, along the frames.
    float sum[kBlock], tapL[kBlock], tapR[kBlock];
    Block tap;
    for (int f = 0; f < kBlock; ++f) sum[f] = tapL[f] = tapR[f] = 0.0f;
    for (int i = 0; i < kReverbLines; ++i)
      for (int f = 0; f < kBlock; ++f) {
        sum[f] += lines[i][f];
        tap[i][f] = 0.07f * e[i][f] + lines[i][f];
      }
    for (int i = 0; i < kReverbLines; i += 2)
      for (int f = 0; f < kBlock; ++f) {
        tapL[f] += tap[i][f];
        tapR[f] += tap[i + 1][f];
      }
    // The recursion; the filter states stay in locals for the block so they
    // can live in registers.
    FrameBlock w;
    Eight y1 = load8(st.damp1.data()), y2 = load8(st.damp2.data()), z = load8(st.bassLow.data());
    const Eight sign = load8(kLineSign);
    const float c300 = st.c300;
    for (int f = 0; f < n; ++f) {
      const Eight v = (load8(o[f]) - 0.25f * sum[f]) * sign;
      y1 += damp[f] * (v - y1);
      y2 += damp[f] * (y1 - y2);
      z += c300 * (y2 - z);
      // Non-finite values become 0, the rest is limited to +-8.
      store8(w[f], clamp8(finite8(fb[f] * (y2 + bass[f] * z) + load8(uT[f])), -8.0f, 8.0f));
    }
    store8(st.damp1.data(), y1);
    store8(st.damp2.data(), y2);
    store8(st.bassLow.data(), z);
    clearFramesFrom(w, n);
    framesToLines(w, lines);
    for (int i = 0; i < kReverbLines; ++i) {
      toRing(st.lines[i].data(), kLineMask, st.lineWrite, lines[i], n);
      st.lines[i][kReverbLineLength] = st.lines[i][0];
    }

    // Outputs.
    DcBlocker left = st.dcStereo[0], right = st.dcStereo[1];
    for (int f = 0; f < n; ++f) {
      returnLeft[done + f] = dcBlock(left, (tapL[f] + 0.18f * tapR[f]) * gain[f]);
      returnRight[done + f] = dcBlock(right, (tapR[f] + 0.18f * tapL[f]) * gain[f]);
    }
    st.dcStereo = {left, right};
    if (outChannels > 0) channelOutputs(st, e, o, gain, channelOut, done, n, outChannels);
    st.lineWrite += static_cast<uint32_t>(n);
    done += n;
  }
}

}  // namespace vn
