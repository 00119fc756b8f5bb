#include <algorithm>

#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/random_pick.h"

namespace vn {

namespace {
constexpr float kHitMargin = 0.03f;
constexpr float kShortestHit = 0.08f;
constexpr float kLongestHit = 0.6f;
constexpr int kMostHits = 16;
}  // namespace

// A scattered series of short hits along the event: more of them where the
// event is more intense, each at a jittered place in its own slot, its weight
// and loudness read from the curves at that moment.
void planScatter(EventBuild& eb) {
  const Event& ev = eb.ev;
  const int count = std::clamp(static_cast<int>(ev.duration * (1.0f + 3.0f * eb.peak) + 0.5f), 2,
                               std::min(2 * eb.limit, kMostHits));
  const float slot = ev.duration / static_cast<float>(count);
  const float length = std::clamp(1.5f * slot, kShortestHit, kLongestHit);
  for (int k = 0; k < count && !eb.outOfTime(); ++k) {
    const float u = nextUniform(eb.run.rng);
    const float at = (static_cast<float>(k) + 0.5f + (u - 0.5f) * 0.7f) * slot;
    const float t = ev.duration > 0.0f ? clampf(at / ev.duration, 0.0f, 1.0f) : 0.5f;
    const float hitTime = eb.anchor + at;
    const float impact = clampf(intensitySampleAt(ev, t) * ev.intensityScale, 0.0f, 1.0f);
    const float w = weightValueAt(ev, t);
    Layer layer = newLayer(eb, w, 2, hitTime, length);
    layer.layerGain = 0.4f + 0.6f * impact;
    const ScoredCandidate pick =
        eb.candidates->empty()
            ? ScoredCandidate{}
            : pickSound(eb, {rankingWeight(eb, w), length, ShapeType::Scatter, impact, hitTime, length});
    const LibraryRecord* record = pick.record;
    if (!record) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Scatter);
      continue;
    }
    placeHit(layer, hitRegion(*record, length + kHitMargin), hitTime, hitTime, length, kHitMargin);
    commitPick(eb, std::move(layer), *record, hitTime, pick.score);
  }
}

}  // namespace vn
