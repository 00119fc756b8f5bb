#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "builder/layering.h"
#include "builder/layering_support.h"

namespace vn {
namespace {

using Span = std::pair<float, float>;

// Where the timeline means to be quiet: the stretches of at least kSilenceMinGap
// between the merged spans of the unmuted events, and before the first and after
// the last event. Shorter gaps are cuts between hits, not silences. An event's
// span includes its lead-in (its layers start syncOffset before its time).
std::vector<Span> silentGaps(const Session& session) {
  std::vector<Span> spans;
  for (const auto& ev : session.events) {
    if (ev.muted || !std::isfinite(ev.time) || !std::isfinite(ev.duration) || !std::isfinite(ev.syncOffset) ||
        !(ev.duration > 0.0f))
      continue;
    const float anchor = ev.time - ev.syncOffset;
    spans.push_back({std::min(ev.time, anchor), std::max(ev.time, anchor) + ev.duration});
  }
  std::sort(spans.begin(), spans.end());
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<Span> gaps;
  float cursor = -inf;
  for (const auto& [start, end] : spans) {
    if (start - cursor >= kSilenceMinGap) gaps.push_back({cursor, start});
    cursor = std::max(cursor, end);
  }
  if (!spans.empty()) gaps.push_back({cursor, inf});
  return gaps;
}

// 1 outside the gaps; inside a gap, a layer that rang into it from the left
// fades to 0 over kSilenceFade, and one that leads into an event on the right
// is silent until kSilencePreRoll before that event, rising over kSilenceFade.
float protectionAt(const std::vector<Span>& gaps, float t, float layerStart, float layerEnd) {
  for (const auto& [g0, g1] : gaps) {
    if (!(t > g0 && t < g1)) continue;
    float gain = 1.0f;
    if (layerStart < g0) gain = std::min(gain, std::clamp(1.0f - (t - g0) / kSilenceFade, 0.0f, 1.0f));
    if (layerEnd > g1) {
      const float from = g1 - kSilencePreRoll - kSilenceFade;
      gain = std::min(gain, std::clamp((t - from) / kSilenceFade, 0.0f, 1.0f));
    }
    if (layerStart >= g0 && layerEnd <= g1) gain = 0.0f;  // wholly inside a silence
    return gain;
  }
  return 1.0f;
}

}  // namespace

void protectSilence(Session& session) {
  const std::vector<Span> gaps = silentGaps(session);
  if (gaps.empty()) return;
  for (auto& l : session.results) {
    if (!takesPart(l) || !(l.duration > 0.0f)) continue;
    const float start = l.startTime, end = l.startTime + l.duration;
    Curve gain = l.hasIntGain ? l.intGain : flatCurve(1.0f);
    bool changed = false;
    for (int i = 0; i < kCurvePoints; ++i) {
      const float t = start + static_cast<float>(i) / (kCurvePoints - 1) * l.duration;
      const float p = protectionAt(gaps, t, start, end);
      // min() rather than a product: a second run leaves the curve as it is.
      if (p < gain[i]) {
        gain[i] = p;
        changed = true;
      }
    }
    if (changed) {
      l.intGain = gain;
      l.hasIntGain = true;
    }
  }
}

}  // namespace vn
