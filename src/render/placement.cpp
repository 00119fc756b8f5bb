#include "render/placement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kDeg = kPi / 180.0f;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float wrapAngle(float a) {
  a = std::remainder(a, 2.0f * kPi);
  return a;
}

// Constant-power position p in -1 (right) .. 1 (left).
void panPosition(float p, float& left, float& right) {
  const float phi = (1.0f - std::clamp(p, -1.0f, 1.0f)) * kPi / 4.0f;
  left = std::cos(phi);
  right = std::sin(phi);
}

void normaliseToUnitPower(std::array<float, kMaxLayoutChannels>& g, int n) {
  float power = 0.0f;
  for (int i = 0; i < n; ++i) {
    g[i] = std::max(0.0f, g[i]);
    power += g[i] * g[i];
  }
  if (power <= 1e-12f) return;
  const float k = 1.0f / std::sqrt(power);
  for (int i = 0; i < n; ++i) g[i] *= k;
}

}  // namespace

Placement manualPlacement(float panX, float panY, float panZ, float spreadBase) {
  Placement p;
  p.azimuth = std::atan2(-panX, panY);
  p.elevation = panZ * kPi / 2.0f;
  p.width = 35.0f * kDeg;
  p.distance = std::min(1.0f, std::sqrt(panX * panX + panY * panY));
  p.frontBack = (1.0f - panY) / 2.0f;
  p.manual = true;
  p.spreadBase = clamp01(spreadBase);
  return p;
}

Placement automaticPlacement(uint32_t layerSeed, int eventIdx, float spreadBase,
                             const std::optional<std::array<float, 5>>& spectralProfile) {
  const uint32_t seed = (layerSeed * 40503u) ^ (static_cast<uint32_t>(eventIdx) * 0x9E3779B1u) ^ 0x9E3779B9u;
  const float r = static_cast<float>(((seed * 3635633u) >> 8) & 0xFFFFu) / 65535.0f;
  // The placement amount is applied by the pan law at mix time, so the position
  // itself is drawn for amount 0.
  const float a = 0.0f;
  const float s = clamp01(spreadBase);
  float sAz = s, sW = s, sEl = s;
  if (spectralProfile) {
    const auto& bands = *spectralProfile;
    float total = 0.0f;
    for (float b : bands) total += std::max(0.0f, b);
    if (total > 1e-6f) {
      std::array<float, 5> share{};
      float largest = 0.0f;
      for (int i = 0; i < 5; ++i) {
        share[i] = std::max(0.0f, bands[i]) / total;
        largest = std::max(largest, share[i]);
      }
      // Bass-heavy sounds stay nearer the centre; bright ones may rise.
      sAz = clamp01((1.0f - clamp01(2.0f * share[0]) * 0.5f) * s);
      sW = clamp01(0.6f * s + 0.4f * clamp01(1.25f * (1.0f - largest)));
      sEl = 0.5f * clamp01(2.0f * (share[3] + share[4])) + 0.5f * s;
    }
  }
  Placement p;
  p.azimuth = (2.0f * r - 1.0f) * (40.0f + 130.0f * a) * kDeg * (0.3f + 0.7f * sAz);
  p.width = (50.0f + 80.0f * a) * kDeg * (0.35f + 0.65f * sW);
  p.elevation = 22.0f * a * kDeg * sEl;
  p.distance = 1.0f;
  p.frontBack = 0.0f;
  p.manual = false;
  p.spreadBase = s;
  return p;
}

Placement placeBlock(const Event& event, uint32_t layerSeed, int eventIdx,
                     const std::optional<std::array<float, 5>>& spectralProfile) {
  if (event.panManual) return manualPlacement(event.panX, event.panY, event.panZ, event.spread);
  return automaticPlacement(layerSeed, eventIdx, event.spread, spectralProfile);
}

void placeEventBlocks(RenderCache& cache, const Event& event, int eventIdx) {
  std::lock_guard lock(cache.mutex);
  for (RenderedBlock& b : cache.blocks) {
    if (b.eventIdx == eventIdx) b.placement = placeBlock(event, b.placementSeed, eventIdx, b.spectralProfile);
  }
}

float panAmount(const Placement& placement, float spatialAmount) {
  return placement.manual ? placement.distance : spatialAmount;
}

StereoGains stereoPanGains(float azimuth, float width, bool stereoSource, float amount) {
  StereoGains g;
  const float sinAz = std::sin(azimuth);
  if (!stereoSource) {
    const float a = std::clamp(amount, 0.0f, 2.0f);
    panPosition(a * sinAz, g.ll, g.lr);
    return g;
  }
  const float a = clamp01(amount);
  const float sigma = std::clamp(std::sin(width), 0.0f, 0.9f);
  panPosition((sinAz + sigma) * a + (1.0f - a), g.ll, g.lr);
  panPosition((sinAz - sigma) * a - (1.0f - a), g.rl, g.rr);
  return g;
}

void ringPan(SpatialLayout layout, SpeakerRing ring, float azimuth, float gain,
             std::array<float, kMaxLayoutChannels>& gains) {
  if (gain <= 1e-6f) return;
  const auto roles = layoutRoles(layout);
  int ccw = -1, cw = -1;
  float ccwDiff = 0.0f, cwDiff = 0.0f;
  for (int ch = 0; ch < static_cast<int>(roles.size()); ++ch) {
    const SpeakerRole& role = speakerRole(roles[ch]);
    if (role.ring != ring || ring == SpeakerRing::None) continue;
    const float diff = wrapAngle(role.azimuthDeg * kDeg - azimuth);
    if (diff >= 0.0f) {
      if (ccw < 0 || diff < ccwDiff) ccw = ch, ccwDiff = diff;
    } else if (cw < 0 || diff > cwDiff) {
      cw = ch, cwDiff = diff;
    }
  }
  if (ccw < 0 && cw < 0) return;
  if (ccw < 0 || cw < 0) {
    gains[ccw < 0 ? cw : ccw] += gain;
    return;
  }
  const float azCcw = speakerRole(roles[ccw]).azimuthDeg * kDeg;
  const float azCw = speakerRole(roles[cw]).azimuthDeg * kDeg;
  const float span = wrapAngle(azCcw - azCw);
  float t = std::fabs(span) > 1e-6f ? wrapAngle(azimuth - azCw) / span : 0.5f;
  t = std::clamp(t, 0.0f, 1.0f);
  const float x = t * kPi / 2.0f;
  gains[cw] += gain * std::cos(x);
  gains[ccw] += gain * std::sin(x);
}

void panWithElevation(SpatialLayout layout, float azimuth, float elevation, float gain,
                      std::array<float, kMaxLayoutChannels>& gains) {
  if (!layoutHasHeights(layout)) {
    ringPan(layout, SpeakerRing::EarLevel, azimuth, gain, gains);
    return;
  }
  ringPan(layout, SpeakerRing::EarLevel, azimuth, gain * std::cos(elevation), gains);
  ringPan(layout, SpeakerRing::Height, azimuth, gain * std::sin(elevation), gains);
}

ChannelGains multichannelGains(SpatialLayout layout, const Placement& placement, bool stereoSource,
                               float amount) {
  const float a = clamp01(amount);
  const int n = layoutChannelCount(layout);
  const float elevation = placement.manual ? 0.0f : placement.elevation;
  auto channel = [&](float placedAz, float unplacedAz, std::array<float, kMaxLayoutChannels>& g) {
    panWithElevation(layout, placedAz, elevation, a, g);
    panWithElevation(layout, unplacedAz, 0.0f, 1.0f - a, g);
    normaliseToUnitPower(g, n);
    // A manual height lifts the normalised image towards the height ring.
    if (placement.manual && placement.elevation > 0.0001f && layoutHasHeights(layout)) {
      const float e = placement.elevation;
      for (int i = 0; i < n; ++i) g[i] *= std::cos(e);
      ringPan(layout, SpeakerRing::Height, placedAz, std::sin(e), g);
    }
  };
  ChannelGains out;
  if (stereoSource) {
    channel(placement.azimuth + placement.width, 30.0f * kDeg, out.left);
    channel(placement.azimuth - placement.width, -30.0f * kDeg, out.right);
  } else {
    channel(placement.azimuth, 0.0f, out.left);
  }
  return out;
}

float diffuseShare(const Placement& placement, float spatialDiffuse) {
  const float d = std::min(1.0f, std::max(0.0f, spatialDiffuse));
  const float fb = clamp01(placement.frontBack), sb = clamp01(placement.spreadBase);
  return std::min(0.67f, (0.7f + 0.3f * fb) * 0.72f * d * (0.68f + 0.32f * sb));
}

int exportSpatialMode(float spatialAmount, float spatialDiffuse) {
  if (spatialAmount <= 0.0001f && spatialDiffuse <= 0.0001f) return 0;
  return spatialDiffuse > 0.0001f ? 2 : 1;
}

}  // namespace vn
