#include "render/speaker_fold.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHeadRadius = 0.0875;   // metres
constexpr double kSpeedOfSound = 343.0;  // metres per second
constexpr std::array<float, kReflectionTaps> kTapMsLeft{6.1f, 9.7f, 13.3f, 17.9f, 23.5f, 29.3f};
constexpr std::array<float, kReflectionTaps> kTapMsRight{6.9f, 10.6f, 14.2f, 19.1f, 24.4f, 30.8f};

Biquad peaking(double f0, double q, double gainDb, double rate) {
  const double a = std::pow(10.0, gainDb / 40.0), w = 2.0 * kPi * f0 / rate;
  const double alpha = std::sin(w) / (2.0 * q), cw = std::cos(w);
  const double a0 = 1.0 + alpha / a;
  return {(1.0 + alpha * a) / a0, -2.0 * cw / a0, (1.0 - alpha * a) / a0, -2.0 * cw / a0, (1.0 - alpha / a) / a0};
}

Biquad highShelf(double f0, double gainDb, double rate) {
  const double a = std::pow(10.0, gainDb / 40.0), w = 2.0 * kPi * f0 / rate;
  const double cw = std::cos(w), alpha = std::sin(w) / 2.0 * std::sqrt(2.0);
  const double sa = 2.0 * std::sqrt(a) * alpha;
  const double a0 = (a + 1) - (a - 1) * cw + sa;
  return {a * ((a + 1) + (a - 1) * cw + sa) / a0, -2 * a * ((a - 1) + (a + 1) * cw) / a0,
          a * ((a + 1) + (a - 1) * cw - sa) / a0, 2 * ((a - 1) - (a + 1) * cw) / a0,
          ((a + 1) - (a - 1) * cw - sa) / a0};
}

// Spherical-head shadow for an incidence angle (radians, 0 = facing the ear).
OnePole headShadow(double incidence, double rate) {
  const double alphaMin = 0.1, thetaMin = 150.0 * kPi / 180.0;
  const double alpha = (1.0 + alphaMin / 2.0) + (1.0 - alphaMin / 2.0) * std::cos(incidence / thetaMin * kPi);
  const double beta = 2.0 * kSpeedOfSound / kHeadRadius, k = 2.0 * rate;
  OnePole p;
  p.b0 = static_cast<float>((beta + alpha * k) / (beta + k));
  p.b1 = static_cast<float>((beta - alpha * k) / (beta + k));
  p.a1 = static_cast<float>((beta - k) / (beta + k));
  return p;
}

// Extra path to an ear around a spherical head, in seconds.
double earDelaySeconds(double incidence) {
  const double r = kHeadRadius / kSpeedOfSound;
  return incidence < kPi / 2 ? r * (1.0 - std::cos(incidence)) : r * (incidence - kPi / 2 + 1.0);
}

inline float runSection(const Biquad& q, SectionState& s, float x) {
  const double y = q.b0 * x + s.z1;
  s.z1 = q.b1 * x - q.a1 * y + s.z2;
  s.z2 = q.b2 * x - q.a2 * y;
  return static_cast<float>(y);
}

inline float runOnePole(OnePole& p, float x) {
  const float y = p.b0 * x + p.b1 * p.x1 - p.a1 * p.y1;
  p.x1 = x;
  p.y1 = y;
  return y;
}

inline float readRing(const SpeakerPath& p, float delay) {
  const int n = static_cast<int>(delay);
  const float frac = delay - static_cast<float>(n);
  const float a = p.ring[(p.ringPos - n + kInterauralRing) % kInterauralRing];
  const float b = p.ring[(p.ringPos - n - 1 + kInterauralRing) % kInterauralRing];
  return a + frac * (b - a);
}

void setUpPath(SpeakerPath& path, int role, bool binaural, double rate) {
  path = SpeakerPath{};
  if (role == kRoleLfe) return;  // the fold leaves the LFE out
  const SpeakerRole& r = speakerRole(role);
  const double az = r.azimuthDeg * kPi / 180.0;
  const bool height = r.ring == SpeakerRing::Height;
  if (!binaural) {
    const double phi = (1.0 - std::sin(az)) * kPi / 4.0;
    const double level = std::fabs(r.azimuthDeg) > 45.0f || height ? 0.70710678 : 1.0;
    path.gainLeft = static_cast<float>(std::cos(phi) * level);
    path.gainRight = static_cast<float>(std::sin(phi) * level);
    return;
  }
  path.interaural = true;
  const double el = height ? 35.0 * kPi / 180.0 : 0.0;
  if (std::fabs(r.azimuthDeg) > 90.0f) path.cascade[path.sections++] = highShelf(3000.0, -4.0, rate);
  if (height) path.cascade[path.sections++] = peaking(std::min(7000.0, 0.4 * rate), 2.0, 4.0, rate);
  const double lateral = std::cos(el) * std::sin(az);  // toward the left ear
  const double incidence[2] = {std::acos(std::clamp(lateral, -1.0, 1.0)), std::acos(std::clamp(-lateral, -1.0, 1.0))};
  for (int ear = 0; ear < 2; ++ear) {
    path.earDelay[ear] = static_cast<float>(std::min(earDelaySeconds(incidence[ear]) * rate, kInterauralRing - 2.0));
    path.shadow[ear] = headShadow(incidence[ear], rate);
  }
  path.gainLeft = path.gainRight = 1.0f;
}

}  // namespace

void initialiseSpeakerFold(SpeakerFold& fold, SpatialLayout layout, bool binaural, int sampleRate) {
  fold.layout = layout;
  fold.binaural = binaural;
  const double rate = std::max(1, sampleRate);
  const auto roles = layoutRoles(layout);
  for (size_t ch = 0; ch < roles.size(); ++ch) setUpPath(fold.paths[ch], roles[ch], binaural, rate);
  for (int t = 0; t < kReflectionTaps; ++t) {
    fold.tapLeft[t] = std::clamp(static_cast<int>(kTapMsLeft[t] * 0.001 * rate), 1, kReflectionLength - 1);
    fold.tapRight[t] = std::clamp(static_cast<int>(kTapMsRight[t] * 0.001 * rate), 1, kReflectionLength - 1);
    fold.tapGain[t] = static_cast<float>(std::pow(0.78, t));
  }
  fold.reflCoef = static_cast<float>(1.0 - std::exp(-2.0 * kPi * 4500.0 / rate));
  clearSpeakerFold(fold);
}

void clearSpeakerFold(SpeakerFold& fold) {
  for (auto& p : fold.paths) {
    p.cascadeState.fill({});
    p.ring.fill(0.0f);
    p.ringPos = 0;
    for (auto& s : p.shadow) s.x1 = s.y1 = 0.0f;
  }
  fold.reflLeft.fill(0.0f);
  fold.reflRight.fill(0.0f);
  fold.reflPos = 0;
  fold.reflLowLeft = fold.reflLowRight = 0.0f;
}

void foldToStereo(SpeakerFold& fold, const float* in, int frames, float* out) {
  const int channels = layoutChannelCount(fold.layout);
  for (int f = 0; f < frames; ++f) {
    const float* frame = in + static_cast<long>(f) * channels;
    float left = 0.0f, right = 0.0f;
    for (int ch = 0; ch < channels; ++ch) {
      SpeakerPath& p = fold.paths[ch];
      float x = frame[ch];
      if (!p.interaural) {
        left += p.gainLeft * x;
        right += p.gainRight * x;
        continue;
      }
      for (int s = 0; s < p.sections; ++s) x = runSection(p.cascade[s], p.cascadeState[s], x);
      p.ring[p.ringPos] = x;
      left += runOnePole(p.shadow[0], readRing(p, p.earDelay[0]));
      right += runOnePole(p.shadow[1], readRing(p, p.earDelay[1]));
      p.ringPos = (p.ringPos + 1) % kInterauralRing;
    }
    if (fold.binaural) {
      float refl[2] = {0.0f, 0.0f};
      for (int t = 0; t < kReflectionTaps; ++t) {
        const float l = fold.reflLeft[(fold.reflPos - fold.tapLeft[t] + kReflectionLength) % kReflectionLength];
        const float r = fold.reflRight[(fold.reflPos - fold.tapRight[t] + kReflectionLength) % kReflectionLength];
        refl[0] += fold.tapGain[t] * (l + fold.crossFeed * r);
        refl[1] += fold.tapGain[t] * (r + fold.crossFeed * l);
      }
      fold.reflLeft[fold.reflPos] = left;
      fold.reflRight[fold.reflPos] = right;
      fold.reflPos = (fold.reflPos + 1) % kReflectionLength;
      fold.reflLowLeft += fold.reflCoef * (refl[0] - fold.reflLowLeft);
      fold.reflLowRight += fold.reflCoef * (refl[1] - fold.reflLowRight);
      left += fold.reflGain * fold.reflLowLeft;
      right += fold.reflGain * fold.reflLowRight;
    }
    out[2L * f] = left;
    out[2L * f + 1] = right;
  }
}

}  // namespace vn
