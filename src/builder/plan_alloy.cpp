#include <algorithm>
#include <array>

#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/random_pick.h"

namespace vn {
namespace {

// Partners feed the morph's mid band, high band and envelope. The high-band
// partner leans a little brighter than the layer; all three wander by ±0.075 so
// that the four sources are not four copies of one choice.
constexpr std::array<float, 3> kPartnerLean = {0.0f, 0.1f, 0.0f};

float jittered(EventBuild& eb, float weight) {
  return clampf(weight + (nextUniform(eb.run.rng) - 0.5f) * 0.15f, 0.0f, 1.0f);
}

void setEnvelopes(Layer& layer, const Event& ev) {
  for (int j = 0; j < 32; ++j) {
    const float t = static_cast<float>(j) / 31.0f;
    layer.alloyWeightEnv[j] = weightValueAt(ev, t);
    layer.alloyIntensityEnv[j] = clampf(intensitySampleAt(ev, t) * ev.intensityScale, 0.0f, 1.0f);
  }
}

AlloySource partnerSource(EventBuild& eb, const LibraryRecord& record) {
  const SourceRegion region =
      bodyRegion(record, eb.ev.duration, eb.peak, usedSpansOf(eb, record.path), nextUniform(eb.run.rng));
  return {record.path, record.fileId, region.offset, region.duration};
}

// The primary carries the transient: in a Spot its attack lands on the event's
// time (as far as the file allows, the layer starting at the anchor).
void placePrimary(EventBuild& eb, Layer& layer, const LibraryRecord& record) {
  const Event& ev = eb.ev;
  if (ev.shape != ShapeType::Spot) {
    placeBody(layer, bodyRegion(record, ev.duration, eb.peak, usedSpansOf(eb, record.path), nextUniform(eb.run.rng)),
              0.1f);
    return;
  }
  const SourceRegion region = hitRegion(record, std::max(0.0f, ev.duration - ev.syncOffset) + 0.12f);
  placeBody(layer, region, 0.0f);
  alignAttack(layer, region, ev.time);
}

}  // namespace

void planAlloy(EventBuild& eb) {
  const Event& ev = eb.ev;
  const auto [lo, hi] = weightRange(ev);
  const int A = hi - lo < 0.15f ? 1 : hi - lo < 0.45f ? 2 : 3;
  for (int j = 0; j < A && eb.placed < eb.limit && !eb.outOfTime(); ++j) {
    const float w = A == 1 ? 0.5f * (lo + hi) : lo + static_cast<float>(j) / static_cast<float>(A - 1) * (hi - lo);
    Layer layer = newLayer(eb, w, 3, eb.anchor, ev.duration);
    layer.alloyMorph = ev.alloyMorph;
    layer.alloyAlgo = eb.run.session.settings.alloyAlgorithm;
    setEnvelopes(layer, ev);
    if (eb.candidates->empty()) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Alloy);
      continue;
    }
    const LadderRequest asked{0.0f, ev.duration, ev.shape, eb.peak, eb.anchor, ev.duration};
    LadderRequest primaryAsk = asked;
    primaryAsk.weight = jittered(eb, w);
    const ScoredCandidate pick = pickSound(eb, primaryAsk);
    const LibraryRecord* primary = pick.record;
    if (!primary) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Alloy);
      continue;
    }
    // While the partners are chosen, the primary and each chosen partner count
    // as placed, so that the four sources differ where the library allows.
    const size_t placedBefore = eb.placedSounds.size();
    eb.placedSounds.push_back({primary->path, primary->groupId, ev.duration});
    std::array<AlloySource*, 3> partners = {&layer.alloyMid, &layer.alloyHigh, &layer.alloyEnv};
    for (size_t p = 0; p < partners.size(); ++p) {
      LadderRequest partnerAsk = asked;
      partnerAsk.weight = jittered(eb, clampf(w + kPartnerLean[p], 0.0f, 1.0f));
      const LibraryRecord* partner = pickSound(eb, partnerAsk).record;
      if (!partner) partner = primary;
      eb.placedSounds.push_back({partner->path, partner->groupId, ev.duration});
      *partners[p] = partnerSource(eb, *partner);
    }
    eb.placedSounds.resize(placedBefore);
    placePrimary(eb, layer, *primary);
    commitPick(eb, std::move(layer), *primary, eb.anchor, pick.score);
  }
}

}  // namespace vn
