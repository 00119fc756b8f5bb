#include <algorithm>

#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/random_pick.h"
#include "builder/segment_layout.h"

namespace vn {

void planSegments(EventBuild& eb) {
  const Event& ev = eb.ev;
  const int extra = std::min(intensityStep(eb.peak), eb.limit) - eb.placed;
  if (extra < 1) return;
  const std::vector<Segment> segments = segmentLayout(ev, extra, eb.peak);
  const int placedBefore = eb.placed;
  for (size_t idx = 0; idx < segments.size(); ++idx) {
    const Segment& seg = segments[idx];
    // Small random shifts of the inner edges keep repeated builds from sounding stamped.
    const float u = nextUniform(eb.run.rng), u2 = nextUniform(eb.run.rng);
    const float start = seg.t1 <= 0.001f ? 0.0f : clampf(seg.t1 + (u - 0.5f) * 0.05f, 0.0f, 0.95f);
    const float end = seg.t2 >= 0.999f ? 1.0f : std::min(1.0f, std::max(start + 0.05f, seg.t2 + (u2 - 0.5f) * 0.05f));
    const float length = (end - start) * ev.duration;
    if (length < kShortestSegment) continue;
    if (eb.outOfTime()) return;

    const float w = weightValueAt(ev, segmentWeightPosition(segments, idx));
    Layer layer = newLayer(eb, w, idx < 2 ? 0 : 2, eb.anchor + start * ev.duration, length);
    layer.track = placedBefore + static_cast<int>(idx);
    if (eb.candidates->empty()) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Layer);
      continue;
    }
    const float impact = intensitySampleAt(ev, seg.mid) * ev.intensityScale;
    const float ranking = rankingWeight(eb, w);
    const ScoredCandidate pick = pickSound(eb, {ranking, length, ev.shape, impact, layer.startTime, length});
    const LibraryRecord* record = pick.record;
    if (!record) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Layer);
      continue;
    }
    const SourceRegion region =
        bodyRegion(*record, length, impact, usedSpansOf(eb, record->path), nextUniform(eb.run.rng));
    // Segments swell in and out: a fifth of their length, up to half a second.
    placeBody(layer, region, 0.2f);
    const float at = layer.startTime;
    commitPick(eb, std::move(layer), *record, at, pick.score);
  }
  // With nothing to draw from, every event still gets a placeholder, even one
  // too short for any segment (no length, or none it could keep).
  if (eb.candidates->empty() && eb.placed == placedBefore)
    appendPlaceholder(eb, newLayer(eb, weightValueAt(ev, 0.5f), 0, eb.anchor, ev.duration), SketchKind::Layer);
}

}  // namespace vn
