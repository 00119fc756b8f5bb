#include <algorithm>

#include "builder/event_build.h"
#include "builder/event_curves.h"

namespace vn {

namespace {
// How far a Spot layer may reach beyond the event on either side.
constexpr float kSpotMargin = 0.12f;
}  // namespace

void placeSpotSound(EventBuild& eb, Layer layer, const LibraryRecord& record, std::optional<float> score) {
  const Event& ev = eb.ev;
  const SourceRegion region = hitRegion(record, std::max(0.0f, ev.duration + kSpotMargin - ev.syncOffset));
  placeHit(layer, region, ev.time, eb.anchor, ev.duration, kSpotMargin);
  commitPick(eb, std::move(layer), record, eb.anchor, score);
}

void planSpot(EventBuild& eb) {
  const Event& ev = eb.ev;
  const int wanted = std::clamp(intensityStep(eb.peak), 1, eb.limit);
  const float t = ev.duration > 0.0f ? clampf(ev.syncOffset / ev.duration, 0.0f, 1.0f) : 0.5f;
  const float w0 = weightValueAt(ev, t);
  const float s = clampf(ev.spread, 0.0f, 1.0f);
  while (eb.placed < wanted && !eb.outOfTime()) {
    const int j = eb.placed;
    // Spread fans the layers out around the weight at the sync point.
    const float w = (wanted >= 2 && s > 0.0f)
                        ? clampf(w0 + (static_cast<float>(j) / static_cast<float>(wanted - 1) - 0.5f) * s * 0.5f, 0.0f, 1.0f)
                        : w0;
    Layer layer = newLayer(eb, w, 2, eb.anchor, ev.duration);
    if (eb.candidates->empty()) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Spot);
      continue;
    }
    const float ranking = rankingWeight(eb, w);
    const ScoredCandidate pick = pickSound(eb, {ranking, ev.duration, ShapeType::Spot, eb.peak, eb.anchor, ev.duration});
    if (!pick.record) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Spot);
      continue;
    }
    placeSpotSound(eb, std::move(layer), *pick.record, pick.score);
  }
}

}  // namespace vn
