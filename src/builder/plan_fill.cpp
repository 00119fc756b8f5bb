#include <algorithm>

#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/random_pick.h"
#include "platform/paths.h"

namespace vn {

namespace {
// A Fill is a steady bed: its regions come from the calm body of a file.
constexpr float kFillImpact = 0.3f;
}  // namespace

void fillLayerFrom(EventBuild& eb, Layer& layer, const LibraryRecord& record, ChunkOrder order) {
  const SourceRegion region = bodyRegion(record, layer.duration, kFillImpact, usedSpansOf(eb, record.path),
                                         nextUniform(eb.run.rng));
  const FillLayout layout = fillChunkLayout(record.duration, region.offset, layer.duration, order, eb.run.rng);
  layer.fillChunks = layout.chunks;
  layer.fillLoop = layout.loops;
  placeBody(layer, layout.loops ? SourceRegion{0.0f, record.duration, 0.0f, 0.0f, 0.0f} : region, 0.25f);
}

void planFill(EventBuild& eb) {
  const Event& ev = eb.ev;
  auto [lo, hi] = weightRange(ev);
  const int remaining = eb.limit - eb.placed;
  const int cap = ev.fillLayers > 0 ? ev.fillLayers : 8;
  const int m = std::max(1, std::min(remaining, cap));
  int K;
  if (ev.fillLayers > 0) {
    K = std::min(ev.fillLayers, m);
    lo = 0.0f;
    hi = 1.0f;
  } else {
    if (hi - lo < 0.1f) {
      lo = std::max(0.0f, lo - 0.05f);
      hi = std::min(1.0f, hi + 0.05f);
    }
    K = std::clamp(std::max(3, static_cast<int>((hi - lo) / 0.12f + 0.5f)), std::min(3, m), m);
  }
  const SketchKind kind = ev.sceneLink >= 0 ? SketchKind::Wash : SketchKind::Fill;

  // A filter naming a small hand-picked set: every file of it is one layer.
  std::vector<const LibraryRecord*> given;
  if (!ev.libFilter.empty() && eb.candidates->size() <= static_cast<size_t>(cap)) {
    for (const LibraryRecord* r : eb.candidates->records)
      if (!eb.run.bans.bans(*r) && static_cast<int>(given.size()) < std::max(1, remaining)) given.push_back(r);
    if (!given.empty()) K = static_cast<int>(given.size());
  }

  const float spacing = K > 1 ? (hi - lo) / static_cast<float>(K - 1) : (hi - lo);
  for (int i = 0; i < K && !eb.outOfTime(); ++i) {
    const float w = K == 1 ? 0.5f * (lo + hi) : lo + static_cast<float>(i) / static_cast<float>(K - 1) * (hi - lo);
    Layer layer = newLayer(eb, w, 1, eb.anchor, ev.duration);
    ScoredCandidate pick;
    if (!given.empty()) {
      if (fileExists(given[i]->path)) pick.record = given[i];
    } else if (!eb.candidates->empty()) {
      pick = pickSound(eb, {rankingWeight(eb, w), ev.duration, ShapeType::Fill, eb.peak, eb.anchor, ev.duration});
    }
    const LibraryRecord* record = pick.record;
    if (!record) {
      appendPlaceholder(eb, std::move(layer), kind);
      continue;
    }
    fillLayerFrom(eb, layer, *record, ChunkOrder::Shuffle);
    layer.fillGain = fillGainFor(ev, w, spacing);
    commitPick(eb, std::move(layer), *record, eb.anchor,
               given.empty() ? std::optional<float>(pick.score) : std::nullopt);
  }
}

}  // namespace vn
