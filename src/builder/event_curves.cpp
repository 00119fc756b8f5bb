#include "builder/event_curves.h"

#include <algorithm>
#include <cmath>

#include "builder/band_profile.h"

namespace vn {
namespace {

float finiteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

void sanitiseCurve(Curve& c) {
  for (float& v : c) v = clampf(finiteOr(v, 0.0f), 0.0f, 1.0f);
}

}  // namespace

float sampleCurve(const Curve& curve, float t) {
  const float x = 255.0f * clampf(finiteOr(t, 0.0f), 0.0f, 1.0f);
  const int k = std::clamp(static_cast<int>(x), 0, 254);
  const float frac = x - static_cast<float>(k);
  return curve[k] + frac * (curve[k + 1] - curve[k]);
}

float weightValueAt(const Event& event, float t) {
  return clampf(sampleCurve(event.weight, t) + event.weightOffset, 0.0f, 1.0f);
}

float intensitySampleAt(const Event& event, float t) { return sampleCurve(event.intensity, t); }

float intensityPeak(const Event& event) {
  float peak = 0.0f;
  for (float v : event.intensity) peak = std::max(peak, v);
  return peak * event.intensityScale;
}

std::pair<float, float> weightRange(const Event& event) {
  float lo = 1.0f, hi = 0.0f;
  for (int i = 0; i < kCurvePoints; ++i) {
    const float w = weightValueAt(event, static_cast<float>(i) / 255.0f);
    lo = std::min(lo, w);
    hi = std::max(hi, w);
  }
  return {lo, hi};
}

float meanWeightValue(const Event& event) {
  float sum = 0.0f;
  for (int i = 0; i < kCurvePoints; ++i) sum += weightValueAt(event, static_cast<float>(i) / 255.0f);
  return sum / kCurvePoints;
}

int intensityStep(float v) {
  if (v >= 1.0f) return 5;
  if (v >= 0.75f) return 4;
  if (v >= 0.5f) return 3;
  if (v >= 0.25f) return 2;
  return 1;
}

Event sanitisedEvent(const Event& source) {
  Event ev = source;
  ev.time = finiteOr(ev.time, 0.0f);
  ev.duration = clampf(finiteOr(ev.duration, 0.0f), 0.0f, kLongestBuiltEvent);
  ev.syncOffset = clampf(finiteOr(ev.syncOffset, 0.0f), -kLongestBuiltEvent, kLongestBuiltEvent);
  ev.spread = finiteOr(ev.spread, 0.0f);
  ev.weightOffset = clampf(finiteOr(ev.weightOffset, 0.0f), -1.0f, 1.0f);
  ev.intensityScale = clampf(finiteOr(ev.intensityScale, 1.0f), 0.0f, 4.0f);
  ev.pitchVariation = clampf(finiteOr(ev.pitchVariation, 0.0f), 0.0f, 1.0f);
  ev.alloyMorph = finiteOr(ev.alloyMorph, 1.0f);
  ev.fillLayers = std::clamp(ev.fillLayers, 0, 24);
  ev.clipSourceOffset = std::max(0.0f, finiteOr(ev.clipSourceOffset, 0.0f));
  ev.clipSourceDuration = std::max(0.0f, finiteOr(ev.clipSourceDuration, 0.0f));
  ev.clipPitchRate = clampf(finiteOr(ev.clipPitchRate, 1.0f), 0.25f, 4.0f);
  sanitiseCurve(ev.weight);
  sanitiseCurve(ev.intensity);
  return ev;
}

}  // namespace vn
