#include "render/alloy_morph.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/real_fft.h"
#include "render/fades.h"

namespace vn {

namespace {

constexpr int kFft = 2048;
constexpr int kHop = kFft / 4;
constexpr int kBins = kFft / 2 + 1;
constexpr double kOverlapGain = 1.5;  // sum of squared Hann windows at a quarter hop

using Spectrum = std::vector<std::complex<float>>;

struct FftPlans {
  RealFft fft{kFft};
  std::vector<float> window = std::vector<float>(kFft);
  FftPlans() {
    for (int i = 0; i < kFft; ++i)
      window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kFft));
  }
};

// Spectrum of the windowed frame at `start` of x; x repeats when it is shorter.
void analyse(FftPlans& plans, const std::vector<float>& x, int64_t start, Spectrum& out) {
  float* frame = plans.fft.samples;
  const int64_t n = static_cast<int64_t>(x.size());
  for (int i = 0; i < kFft; ++i) {
    const int64_t p = start + i;
    frame[i] = (n > 0 && p >= 0) ? x[static_cast<size_t>(p % n)] * plans.window[i] : 0.0f;
  }
  forwardTransform(plans.fft);
  out.assign(plans.fft.bins, plans.fft.bins + kBins);
}

// Which band each bin belongs to, the bands evenly spaced in log frequency.
std::vector<int> bandOfBins(int bands, int rate) {
  std::vector<int> band(kBins);
  const double lo = 30.0, hi = rate / 2.0;
  for (int k = 0; k < kBins; ++k) {
    const double hz = std::max(lo, static_cast<double>(k) * rate / kFft);
    band[k] = std::clamp(static_cast<int>(std::log(hz / lo) / std::log(hi / lo) * bands), 0, bands - 1);
  }
  return band;
}

// How much a band leans on the mid and on the high partner (0..1), with a
// smooth hand-over between the thirds of the spectrum.
void partnerShares(int band, int bands, float& mid, float& high) {
  const float q = (band + 0.5f) / bands;
  auto ramp = [](float x, float a, float b) { return std::clamp((x - a) / (b - a), 0.0f, 1.0f); };
  high = ramp(q, 0.58f, 0.75f);
  mid = ramp(q, 0.25f, 0.42f) * (1.0f - high);
}

float envelopeAt(const std::array<float, 32>& env, float x, float fallback) {
  bool any = false;
  for (float v : env) any = any || v != 0.0f;
  return any ? sampleTable(env, x) : fallback;
}

std::complex<float> meet(int algorithm, std::complex<float> p, std::complex<float> q, float a, float bandGain) {
  q *= bandGain;
  switch (algorithm) {
    case 0:  // splice
    case 1:  // vocode: the band gain already carries the primary's full envelope
      return (1.0f - a) * p + a * q;
    case 3: {  // graft: the primary's magnitude, the partner's phase by the amount
      const float mag = std::abs(p);
      const float phase = std::arg(p) + a * std::remainder(std::arg(q) - std::arg(p), 2.0f * std::numbers::pi_v<float>);
      return std::polar(mag, phase);
    }
    default: {  // blend
      const float mp = std::abs(p), mq = std::abs(q);
      const float mag = std::pow(mp + 1e-12f, 1.0f - a) * std::pow(mq + 1e-12f, a);
      return std::polar(mag, std::arg(mq * a > mp * (1.0f - a) ? q : p));
    }
  }
}

std::vector<float> morphChannel(FftPlans& plans, const std::vector<float>& primary, const std::vector<float>& mid,
                                const std::vector<float>& high, const AlloyParams& params, int rate) {
  const int64_t n = static_cast<int64_t>(primary.size());
  const int bands = std::clamp(params.filterBands, 4, 24);
  const std::vector<int> bandOf = bandOfBins(bands, rate);
  const float morph = std::clamp(params.morph, 0.0f, 1.0f);
  const float depth = params.algorithm == 1 ? 1.0f : std::clamp(params.transferDepth, 0.0f, 1.0f);
  std::vector<float> out(static_cast<size_t>(n) + kFft, 0.0f);
  Spectrum sp, sm, sh, so(kBins);
  std::vector<float> ep(bands), em(bands), eh(bands);
  const float* frame = plans.fft.samples;
  for (int64_t start = -kFft + kHop; start < n; start += kHop) {
    analyse(plans, primary, start, sp);
    analyse(plans, mid, start, sm);
    analyse(plans, high, start, sh);
    std::fill(ep.begin(), ep.end(), 0.0f);
    std::fill(em.begin(), em.end(), 0.0f);
    std::fill(eh.begin(), eh.end(), 0.0f);
    for (int k = 0; k < kBins; ++k) {
      ep[bandOf[k]] += std::norm(sp[k]);
      em[bandOf[k]] += std::norm(sm[k]);
      eh[bandOf[k]] += std::norm(sh[k]);
    }
    const float x = std::clamp(static_cast<float>(start + kFft / 2) / static_cast<float>(std::max<int64_t>(n, 1)),
                               0.0f, 1.0f);
    const float weight = envelopeAt(params.weightEnv, x, 0.5f);
    const float leanMid = std::clamp(0.5f + weight, 0.0f, 1.0f), leanHigh = std::clamp(1.5f - weight, 0.0f, 1.0f);
    for (int k = 0; k < kBins; ++k) {
      const int b = bandOf[k];
      float shareMid, shareHigh;
      partnerShares(b, bands, shareMid, shareHigh);
      const float aMid = morph * shareMid * leanMid, aHigh = morph * shareHigh * leanHigh;
      auto gainToward = [&](float partnerEnergy) {
        return partnerEnergy > 1e-20f ? std::pow(ep[b] / partnerEnergy + 1e-20f, 0.5f * depth) : 0.0f;
      };
      std::complex<float> v = sp[k];
      if (aMid > 0.0f) v = meet(params.algorithm, v, sm[k], aMid, std::min(8.0f, gainToward(em[b])));
      if (aHigh > 0.0f) v = meet(params.algorithm, v, sh[k], aHigh, std::min(8.0f, gainToward(eh[b])));
      so[k] = v;
    }
    std::copy(so.begin(), so.end(), plans.fft.bins);
    inverseTransform(plans.fft);
    const float scale = static_cast<float>(1.0 / (kFft * kOverlapGain));
    for (int i = 0; i < kFft; ++i) {
      const int64_t p = start + i;
      if (p >= 0 && p < n) out[static_cast<size_t>(p)] += frame[i] * plans.window[i] * scale;
    }
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

// Short-time level of x over hops, tiled when shorter than frames.
std::vector<float> hopLevels(const std::vector<float>& x, int64_t frames) {
  std::vector<float> levels(static_cast<size_t>(frames / kHop + 2), 0.0f);
  const int64_t n = static_cast<int64_t>(x.size());
  if (n == 0) return levels;
  for (size_t h = 0; h < levels.size(); ++h) {
    double e = 0.0;
    for (int i = 0; i < kHop; ++i) {
      const float v = x[static_cast<size_t>((static_cast<int64_t>(h) * kHop + i) % n)];
      e += static_cast<double>(v) * v;
    }
    levels[h] = static_cast<float>(std::sqrt(e / kHop));
  }
  return levels;
}

// Bends the output's contour toward the blend of the primary's and the
// envelope partner's, within +-12 dB.
void followEnvelope(std::vector<float>& out, const std::vector<float>& primary, const std::vector<float>& envelope,
                    float amount) {
  if (amount <= 0.0f || envelope.empty()) return;
  const int64_t n = static_cast<int64_t>(out.size());
  const auto lo = hopLevels(out, n), lp = hopLevels(primary, n), le = hopLevels(envelope, n);
  std::vector<float> gain(lo.size(), 1.0f);
  for (size_t h = 0; h < gain.size(); ++h) {
    if (lo[h] < 1e-6f) continue;
    const float want = std::pow(lp[h] + 1e-9f, 1.0f - amount) * std::pow(le[h] + 1e-9f, amount);
    gain[h] = std::clamp(want / lo[h], 0.25f, 4.0f);
  }
  for (int64_t i = 0; i < n; ++i) {
    const size_t h = static_cast<size_t>(i / kHop);
    const float f = static_cast<float>(i % kHop) / kHop;
    out[static_cast<size_t>(i)] *= gain[h] + f * (gain[std::min(h + 1, gain.size() - 1)] - gain[h]);
  }
}

void graftAttack(std::vector<float>& out, const std::vector<float>& primary, float seconds, int rate) {
  const size_t graft = std::min(out.size(), static_cast<size_t>(seconds * rate));
  if (graft == 0) return;
  const size_t fade = std::min(out.size() - graft, static_cast<size_t>(0.01 * rate));
  for (size_t i = 0; i < graft; ++i) out[i] = primary[i];
  for (size_t i = 0; i < fade; ++i) {
    const double u = 0.5 * std::numbers::pi * (static_cast<double>(i) + 0.5) / fade;
    out[graft + i] = static_cast<float>(std::cos(u) * primary[graft + i] + std::sin(u) * out[graft + i]);
  }
}

void applyIntensity(std::vector<float>& out, const std::array<float, 32>& env) {
  const float peak = *std::max_element(env.begin(), env.end());
  if (peak <= 0.0f || out.empty()) return;
  const float n = static_cast<float>(out.size());
  for (size_t i = 0; i < out.size(); ++i) out[i] *= sampleTable(env, static_cast<float>(i) / n) / peak;
}

}  // namespace

double alloyPartnerRatio(float microPitch, bool mid) {
  const double semis = std::clamp(static_cast<double>(microPitch), 0.0, 0.15);
  return std::pow(2.0, (mid ? semis : -semis) / 12.0);
}

StereoAudio alloyMorph(const StereoAudio& primary, const StereoAudio& mid, const StereoAudio& high,
                       const StereoAudio& envelope, int rate, const AlloyParams& params) {
  FftPlans plans;
  StereoAudio out;
  out.sampleRate = rate;
  const bool mono = primary.left == primary.right && mid.left == mid.right && high.left == high.right;
  for (int side = 0; side < (mono ? 1 : 2); ++side) {
    auto pick = [side](const StereoAudio& a) -> const std::vector<float>& { return side == 0 ? a.left : a.right; };
    std::vector<float> ch = morphChannel(plans, pick(primary), pick(mid), pick(high), params, rate);
    followEnvelope(ch, pick(primary), pick(envelope), 0.5f * std::clamp(params.morph, 0.0f, 1.0f));
    graftAttack(ch, pick(primary), std::clamp(params.attackGraft, 0.0f, 0.2f), rate);
    applyIntensity(ch, params.intensityEnv);
    (side == 0 ? out.left : out.right) = std::move(ch);
  }
  if (mono) out.right = out.left;
  return out;
}

}  // namespace vn
