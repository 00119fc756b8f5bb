#include "render/loudness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/log.h"
#include "render/spatial_layout.h"

namespace vn {

namespace {

constexpr double kShelfHz = 1681.974450955533;
constexpr double kShelfQ = 0.7071752369554196;
constexpr double kShelfGainDb = 3.999843853973347;  // about 1.58489 linear
constexpr double kHighPassHz = 38.13547087602444;
constexpr double kHighPassQ = 0.5003270373238773;
constexpr double kAbsoluteGate = 1.1724653045822963e-07;  // 10^-6.9309, that is -70 LUFS

struct BiquadState {
  double z1 = 0, z2 = 0;
};

// Transposed direct form II.
inline double runBiquad(const Biquad& q, BiquadState& s, double x) {
  const double y = q.b0 * x + s.z1;
  s.z1 = q.b1 * x - q.a1 * y + s.z2;
  s.z2 = q.b2 * x - q.a2 * y;
  return y;
}

double loudnessOf(double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); }

constexpr std::array<LoudnessTarget, 5> kTargets{{
    {"Off", 0.0f},
    {"-14 LUFS (streaming)", -14.0f},
    {"-16 LUFS", -16.0f},
    {"-18 LUFS", -18.0f},
    {"-23 LUFS (EBU R128)", -23.0f},
}};

}  // namespace

Biquad kWeightingShelf(double sampleRate) {
  const double k = std::tan(std::numbers::pi * kShelfHz / sampleRate);
  // Taken from the exact decibel figure, this design reproduces the published
  // 48 kHz coefficients to nine digits.
  const double vh = std::pow(10.0, kShelfGainDb / 20.0);
  const double vb = std::pow(vh, 0.4996667741545416);
  const double a0 = 1.0 + k / kShelfQ + k * k;
  Biquad q;
  q.b0 = (vh + vb * k / kShelfQ + k * k) / a0;
  q.b1 = 2.0 * (k * k - vh) / a0;
  q.b2 = (vh - vb * k / kShelfQ + k * k) / a0;
  q.a1 = 2.0 * (k * k - 1.0) / a0;
  q.a2 = (1.0 - k / kShelfQ + k * k) / a0;
  return q;
}

Biquad kWeightingHighPass(double sampleRate) {
  const double k = std::tan(std::numbers::pi * kHighPassHz / sampleRate);
  const double a0 = 1.0 + k / kHighPassQ + k * k;
  Biquad q;
  q.b0 = 1.0;
  q.b1 = -2.0;
  q.b2 = 1.0;
  q.a1 = 2.0 * (k * k - 1.0) / a0;
  q.a2 = (1.0 - k / kHighPassQ + k * k) / a0;
  return q;
}

float integratedLoudness(std::span<const float* const> channels, std::span<const float> weights, long frames,
                         int sampleRate) {
  if (frames < 1 || sampleRate < 1 || channels.empty()) return kSilentLufs;
  const long blockLen = std::max(1L, static_cast<long>(0.4 * sampleRate));
  const long step = std::max(1L, static_cast<long>(0.1 * sampleRate));
  if (frames < blockLen) return kSilentLufs;
  const long blocks = (frames - blockLen) / step + 1;

  // Per block, the weighted sum of K-weighted squares, gathered in one pass:
  // cumulative energy is noted where each block starts and where it ends.
  std::vector<double> atStart(blocks), atEnd(blocks);
  const Biquad shelf = kWeightingShelf(sampleRate), highPass = kWeightingHighPass(sampleRate);
  std::vector<double> energy(static_cast<size_t>(std::min<long>(frames, 4096)));
  std::vector<std::array<BiquadState, 2>> state(channels.size());
  double cumulative = 0.0;
  long nextStart = 0, nextEnd = 0;
  for (long base = 0; base < frames; base += static_cast<long>(energy.size())) {
    const long n = std::min<long>(static_cast<long>(energy.size()), frames - base);
    std::fill(energy.begin(), energy.begin() + n, 0.0);
    for (size_t c = 0; c < channels.size(); ++c) {
      const double w = c < weights.size() ? weights[c] : 1.0;
      if (w == 0.0 || !channels[c]) continue;
      const float* x = channels[c] + base;
      auto& [s1, s2] = state[c];
      for (long i = 0; i < n; ++i) {
        const double v = std::isfinite(x[i]) ? x[i] : 0.0;
        const double y = runBiquad(highPass, s2, runBiquad(shelf, s1, v));
        energy[i] += w * y * y;
      }
    }
    for (long i = 0; i < n; ++i) {
      const long pos = base + i;
      while (nextStart < blocks && nextStart * step == pos) atStart[nextStart++] = cumulative;
      cumulative += energy[i];
      while (nextEnd < blocks && nextEnd * step + blockLen == pos + 1) atEnd[nextEnd++] = cumulative;
    }
  }

  std::vector<double> z(blocks);
  double sum = 0.0;
  long passing = 0;
  for (long b = 0; b < blocks; ++b) {
    z[b] = (atEnd[b] - atStart[b]) / static_cast<double>(blockLen);
    if (z[b] > kAbsoluteGate) sum += z[b], ++passing;
  }
  if (passing == 0) return kSilentLufs;
  const double relativeGate = sum / passing * 0.1;  // 10 LU below the absolute-gated loudness
  sum = 0.0;
  passing = 0;
  for (double v : z) {
    if (v > kAbsoluteGate && v > relativeGate) sum += v, ++passing;
  }
  if (passing == 0) return kSilentLufs;
  return static_cast<float>(loudnessOf(sum / passing));
}

float integratedLoudness(const float* left, const float* right, long frames, int sampleRate) {
  if (!left && !right) return kSilentLufs;
  const std::array<const float*, 2> ch{left ? left : right, left ? right : nullptr};
  const std::array<float, 2> w{1.0f, ch[1] ? 1.0f : 0.0f};
  return integratedLoudness(ch, w, frames, sampleRate);
}

float loudnessWeightOfRole(int role) {
  if (role == kRoleLfe) return 0.0f;
  const SpeakerRole& r = speakerRole(role);
  const float az = std::fabs(r.azimuthDeg);
  return r.ring == SpeakerRing::EarLevel && az >= 60.0f && az <= 120.0f ? 1.41f : 1.0f;
}

float normaliseGainForLoudness(float measuredLufs, float targetLufs) {
  if (measuredLufs <= kSilentLufs) return 1.0f;
  const float change = std::clamp(targetLufs - measuredLufs, -30.0f, 30.0f);
  logLine("[ExportWAV] LUFS normalise: %.1f \u2192 %.1f LUFS (%.1f dB)\n", measuredLufs, targetLufs, change);
  return std::pow(10.0f, change / 20.0f);
}

float normaliseGain(const float* left, const float* right, long frames, int sampleRate, float targetLufs) {
  if (frames < 1) return 1.0f;
  return normaliseGainForLoudness(integratedLoudness(left, right, frames, sampleRate), targetLufs);
}

const LoudnessTarget& mixdownLoudnessTarget(int index) { return kTargets[std::clamp(index, 0, 4)]; }

std::optional<int> mixdownLoudnessIndex(long long lufs) {
  for (int i = 1; i <= 4; ++i)
    if (std::lround(kTargets[i].lufs) == lufs) return i;
  return std::nullopt;
}

float matchMixdownLoudness(std::span<float* const> channels, std::span<const float> weights, long frames,
                           int sampleRate, int index) {
  if (index < 1 || index > 4 || frames < 1) return 1.0f;
  std::vector<const float*> input(channels.begin(), channels.end());
  const float measured = integratedLoudness(input, weights, frames, sampleRate);
  const float gain = normaliseGainForLoudness(measured, kTargets[index].lufs);
  if (std::fabs(gain - 1.0f) < 0.0001f) return 1.0f;
  for (float* ch : channels) {
    for (long i = 0; i < frames; ++i) ch[i] *= gain;
  }
  return gain;
}

float normaliseTake(float* left, float* right, long frames, bool varNormalize, int varNormalizeDb) {
  float peak = 0.0f;
  for (float* ch : {left, right}) {
    if (!ch) continue;
    for (long i = 0; i < frames; ++i) {
      if (!std::isfinite(ch[i])) ch[i] = 0.0f;
      peak = std::max(peak, std::fabs(ch[i]));
    }
  }
  if (peak <= 1e-6f) return 1.0f;
  const float db = varNormalize ? static_cast<float>(std::clamp(varNormalizeDb, -24, 0)) : -1.0f;
  float gain = std::pow(10.0f, db / 20.0f) / peak;
  if (!varNormalize) gain = std::min(gain, 1.0f);
  if (gain == 1.0f) return 1.0f;
  for (float* ch : {left, right}) {
    if (!ch) continue;
    for (long i = 0; i < frames; ++i) ch[i] *= gain;
  }
  return gain;
}

}  // namespace vn
