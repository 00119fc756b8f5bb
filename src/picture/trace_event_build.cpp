// Turning a kept peak or a wide swell of the composite into a proposed event.
#include <algorithm>
#include <cmath>

#include "picture/column_stats.h"
#include "picture/event_detect.h"

namespace vn {
namespace {

// Sub-frame offset of a peak from the parabola through three samples.
float parabolaOffset(float y0, float y1, float y2) {
  const float curvature = y0 - 2.0f * y1 + y2;
  if (std::fabs(curvature) <= 1e-6f) return 0.0f;
  return std::clamp(0.5f * (y0 - y2) / curvature, -1.0f, 1.0f);
}

// A short accent is timed by the sharpest impact near it when there is one.
int impactPeakNear(const TraceAnalyzer& a, int f) {
  const int n = static_cast<int>(a.frames.size());
  int best = -1;
  float bestValue = 0.0f;
  for (int j = std::max(1, f - 2); j <= std::min(n - 2, f + 2); ++j) {
    const float v = a.frames[j].impact;
    if (a.frames[j - 1].impact <= v && v > a.frames[j + 1].impact && (best < 0 || v > bestValue)) {
      best = j;
      bestValue = v;
    }
  }
  return best >= 0 && bestValue > 0.05f ? best : -1;
}

float durationScale(const TraceAnalyzer& a, bool cluster) {
  if (!a.model.valid) return 1.0f;
  return cluster ? a.model.sweepDurScale : a.model.spotDurScale;
}

}  // namespace

int FrameAt(const TraceAnalyzer& a, float t) {
  // A time made from a frame index (index / rate, in float) lands back on that
  // frame, not on the one before it.
  return FrameIndexAt(static_cast<double>(t) * a.analysisFps + 1e-3, static_cast<int>(a.frames.size()));
}

float WeightCenterAt(const TraceAnalyzer& a, int f) {
  const FrameMeasures& m = a.frames[f];
  float w = 0.7f * m.brightness + 0.15f - 0.15f * m.motion + 0.05f * m.colorTemp;
  if (a.model.valid) w += a.model.weightBias;
  return std::clamp(w, 0.05f, 0.95f);
}

void AttachIntensityCurve(const TraceAnalyzer& a, TraceEvent& e) {
  const float start = std::max(0.0f, e.time - e.suggestedSyncOffset);
  const float end = std::min(a.durationSec, start + e.suggestedDuration);
  BuildCurveFromTrace(a, start, end, e.intensityCurve.data(), kCurvePoints);
  e.hasIntensityCurve = true;
}

TraceEvent BuildPeakEvent(const TraceAnalyzer& a, const PeelPass& pass, const Candidate& cand, float maxProm) {
  const int n = static_cast<int>(a.frames.size());
  const int p = pass.pass;
  const float dt = 1.0f / std::max(1.0f, a.analysisFps);
  const float width = cand.shape.width;
  const bool isShort = width < pass.narrow;

  int peak = cand.frame;
  bool byImpact = false;
  if (isShort) {
    const int j = impactPeakNear(a, cand.frame);
    if (j >= 0) {
      peak = j;
      byImpact = true;
    }
  }
  auto series = [&](int i) { return byImpact ? a.frames[i].impact : pass.c[i]; };
  float delta = 0.0f;
  if (peak >= 1 && peak <= n - 2) delta = parabolaOffset(series(peak - 1), series(peak), series(peak + 1));

  TraceEvent e;
  e.time = a.frames[peak].time + delta * dt;
  e.type = isShort ? kTraceSpot : kTraceCluster;
  e.suggestedShape = isShort ? 0 : 1;
  const float relative = cand.shape.prominence / maxProm;
  e.confidence = relative / (1.0f + 0.5f * p);
  e.intensity = std::clamp((cand.value / std::max(pass.maxC, 0.001f)) / (1.0f + p), 0.0f, 1.0f);
  e.suggestedGain = std::clamp((relative * 0.85f + 0.15f) / (1.0f + 0.7f * p), 0.05f, 1.0f);
  e.suggestedWeightCenter = WeightCenterAt(a, peak);
  if (isShort) {
    e.suggestedDuration = (p == 0 ? std::clamp(width, 0.3f, 2.5f) : std::clamp(0.7f * width, 0.2f, 1.5f)) *
                          durationScale(a, false);
    e.suggestedSyncOffset = 0.0f;
    e.suggestedSpread = 0.0f;
  } else {
    e.suggestedDuration = (p == 0 ? std::clamp(width, 0.6f, 6.0f) : std::clamp(0.7f * width, 0.4f, 4.0f)) *
                          durationScale(a, true);
    e.suggestedSyncOffset = 0.5f * e.suggestedDuration;
    e.suggestedSpread = std::clamp(0.2f * width, 0.1f, 0.5f);
  }
  AttachIntensityCurve(a, e);
  e.peelLayer = p;
  const FrameMeasures& m = a.frames[peak];
  e.foregroundMass = m.foregroundMass;
  e.panX = m.panX;
  e.spatialSpread = m.spatialSpread;
  e.cameraMotion = m.cameraMotion;
  e.brightness = m.brightness;
  return e;
}

void AppendSweeps(const TraceAnalyzer& a, const PeelPass& pass, std::vector<TraceEvent>& fresh) {
  const int n = static_cast<int>(pass.c.size());
  const int p = pass.pass;
  const float dt = 1.0f / std::max(1.0f, a.analysisFps);
  const std::vector<float> s = MovingAverage(pass.c, std::max(3, static_cast<int>(0.75f * a.analysisFps)));
  const float floor = 2.0f * std::max(0.0001f, 0.02f * pass.maxC);

  // The smoothed top of a short accent or a swell is often a plateau of frames
  // that all pass as tops; one run of neighbouring tops is one swell, stood for
  // by the frame with the strongest composite under it.
  std::vector<Candidate> cands;
  int runEnd = -2;  // last frame of the run of tops the newest candidate stands for
  for (int i = 5; i <= n - 6; ++i) {
    bool top = s[i] >= floor;
    for (int j = i - 5; top && j <= i + 5; ++j) top = s[i] + 0.0005f >= s[j];
    if (!top) continue;
    const bool sameRun = runEnd == i - 1;
    runEnd = i;
    if (sameRun && pass.c[i] <= pass.c[cands.back().frame]) continue;
    if (sameRun) cands.pop_back();
    cands.push_back({i, s[i], MeasurePeak(s, i, dt)});
  }
  std::stable_sort(cands.begin(), cands.end(),
                   [](const Candidate& x, const Candidate& y) { return x.shape.prominence > y.shape.prominence; });
  const float base = p == 0 ? 1.0f : 0.5f;
  std::vector<Candidate> kept;
  for (const Candidate& c : cands) {
    bool near = std::any_of(kept.begin(), kept.end(), [&](const Candidate& k) {
      return std::abs(k.frame - c.frame) * dt < std::max(base, 0.5f * std::max(k.shape.width, c.shape.width));
    });
    if (!near) kept.push_back(c);
  }
  const float minWidth = p == 0 ? 0.5f : 0.3f;
  std::erase_if(kept, [&](const Candidate& c) { return c.shape.width < minWidth; });
  float maxProm = 0.0f;
  for (const Candidate& c : kept) maxProm = std::max(maxProm, c.shape.prominence);
  if (maxProm < 0.001f) maxProm = 1.0f;

  auto clusterNear = [&](float t) {
    auto near = [&](const TraceEvent& e) {
      return e.type == kTraceCluster && WithinSeconds(e.time, t, std::max(0.5f, 0.3f * e.suggestedDuration));
    };
    return std::any_of(a.events.begin(), a.events.end(), near) || std::any_of(fresh.begin(), fresh.end(), near);
  };
  for (const Candidate& c : kept) {
    const float t = a.frames[c.frame].time;
    if (clusterNear(t)) continue;
    TraceEvent e;
    e.type = kTraceCluster;
    e.suggestedShape = 1;
    e.time = t;
    e.confidence = (c.shape.prominence / maxProm) / (1.0f + 0.5f * p);
    e.intensity = std::clamp((s[c.frame] / std::max(pass.maxC, 0.001f)) / (1.0f + p), 0.0f, 1.0f);
    e.suggestedGain = std::clamp((e.confidence * 0.8f + 0.2f) / (1.0f + 0.7f * p), 0.05f, 1.0f);
    e.suggestedDuration = std::clamp(1.1f * c.shape.width, p == 0 ? 0.8f : 0.4f, 8.0f) * durationScale(a, true);
    e.suggestedSyncOffset = 0.5f * e.suggestedDuration;
    e.suggestedWeightCenter = WeightCenterAt(a, c.frame);
    e.suggestedSpread = std::clamp(0.08f * e.suggestedDuration, 0.1f, 0.5f);
    AttachIntensityCurve(a, e);
    e.peelLayer = p;
    fresh.push_back(std::move(e));
  }
}

}  // namespace vn
