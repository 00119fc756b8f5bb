#include "builder/event_build.h"

#include <algorithm>
#include <cmath>

#include "builder/event_curves.h"
#include "builder/pitch_scale.h"
#include "builder/random_pick.h"
#include "builder/source_probe.h"
#include "core/track_layout.h"
#include "platform/paths.h"

namespace vn {
namespace {

int layerLimit(const Event& ev, float peak) {
  int L = static_cast<int>(3.0f * clampf(ev.spread, 0.0f, 1.0f) + 0.5f) + (peak > 0.8f ? 4 : 3);
  if (ev.hero) L = static_cast<int>(static_cast<float>(L) * 1.5f + 0.5f);
  L = std::min(L, 8);
  if (ev.shape == ShapeType::Fill && ev.fillLayers > 0) L = std::min(ev.fillLayers, 24);
  return L;
}

// Hero events overlapping a non-hero event claim their bands first.
BandArray heroOccupation(const Session& session, int eventIndex, const Event& ev) {
  BandArray occupied{};
  if (ev.hero) return occupied;
  for (size_t i = 0; i < session.events.size(); ++i) {
    if (static_cast<int>(i) == eventIndex || !session.events[i].hero) continue;
    const Event hero = sanitisedEvent(session.events[i]);
    const float overlap =
        std::min(ev.time + ev.duration, hero.time + hero.duration) - std::max(ev.time, hero.time);
    if (!(overlap > 0.0f)) continue;
    const BandArray profile = targetBandProfile(meanWeightValue(hero));
    const float share = 1.5f * overlap / std::max(0.01f, ev.duration);
    for (int k = 0; k < kBands; ++k) occupied[k] += share * profile[k];
  }
  return occupied;
}

// Channel format code of a source with this many channels; -1 when none fits.
int formatOfChannels(int channels) {
  switch (channels) {
    case 1: return 0;
    case 2: return 1;
    case 6: return 2;
    case 8: return 3;
    default: return -1;
  }
}

void prune(std::vector<ScoredCandidate>& list) {
  list.erase(std::remove_if(list.begin(), list.end(), [](const ScoredCandidate& c) { return !(c.score > 0.0f); }),
             list.end());
}

}  // namespace

EventBuild::EventBuild(BuildRun& r, int index, double timeLimitSeconds)
    : run(r), eventIndex(index), ev(sanitisedEvent(r.session.events[index])) {
  anchor = ev.time - ev.syncOffset;
  peak = std::max(0.0f, intensityPeak(ev));
  limit = layerLimit(ev, peak);
  busPosition = eventBusPosition(run.session.trackLayout, ev);
  terms = parseSearchTerms(ev.keywords);
  if (!ev.libFilter.empty()) {
    ownCandidates_ = gatherCandidates(run.libraries, busPosition, ev.libFilter);
    candidates = &ownCandidates_;
  } else {
    candidates = &run.sharedCandidates(busPosition);
  }
  occupied = heroOccupation(run.session, index, ev);
  if (timeLimitSeconds >= 0.0)
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(timeLimitSeconds));
}

bool EventBuild::outOfTime() const {
  return deadline_ && placed > 0 && std::chrono::steady_clock::now() >= *deadline_;
}

Layer newLayer(EventBuild& eb, float weight, int procMode, float start, float duration) {
  Layer l;
  l.id = ++eb.run.state.lastLayerId;
  l.eventIdx = eb.eventIndex;
  l.group = std::max(eb.busPosition, 0);
  l.track = eb.placed;
  l.weight = weight;
  l.procMode = procMode;
  l.startTime = start;
  l.duration = duration;
  if (eb.ev.fmtOverride >= 0) l.fmt = eb.ev.fmtOverride;
  return l;
}

void appendPlaceholder(EventBuild& eb, Layer layer, SketchKind kind) {
  layer.name = placeholderName(kind);
  layer.placeholder = true;
  layer.duration = std::max(layer.duration, 0.1f);
  fitFades(layer);
  eb.run.session.results.push_back(std::move(layer));
  ++eb.placed;
}

float rankingWeight(EventBuild& eb, float weight) {
  if (!(eb.ev.pitchVariation >= 0.001f)) return weight;
  const float u = nextUniform(eb.run.rng);
  return clampf(weight + 2.0f * (u - 0.5f) * 0.15f * eb.ev.pitchVariation, 0.0f, 1.0f);
}

std::vector<ScoredCandidate> candidateLadder(EventBuild& eb, const LadderRequest& q) {
  const CandidateList& list = *eb.candidates;
  const RankContext context = eb.run.rankContext();
  const auto compatible = [&](std::vector<ScoredCandidate>& ranked) {
    for (auto& c : ranked) c.score *= compatibility(*c.record, eb.placedSounds, &eb.run.recentUses, q.time);
  };

  ScoreRequest asked;
  asked.weight = q.weight;
  asked.duration = q.duration;
  asked.shape = q.shape;
  asked.terms = eb.terms;
  asked.impact = q.impact;
  if (std::any_of(eb.occupied.begin(), eb.occupied.end(), [](float v) { return v > 0.0f; })) asked.occupied = eb.occupied;
  asked.noisinessTarget = eb.picks > 0 ? eb.noisinessSum / static_cast<float>(eb.picks) : -1.0f;
  asked.pickCount = eb.picks;

  auto ranked = rankCandidates(list, asked, 12, context);
  compatible(ranked);
  prune(ranked);
  if (!ranked.empty()) return ranked;

  asked.weight = clampf(q.weight + 0.15f, 0.0f, 1.0f);
  ranked = rankCandidates(list, asked, 16, context);
  if (ranked.empty()) {
    asked.weight = clampf(q.weight - 0.15f, 0.0f, 1.0f);
    ranked = rankCandidates(list, asked, 16, context);
  }
  compatible(ranked);
  prune(ranked);
  if (!ranked.empty()) return ranked;

  // The later attempts ask only for a sound that fits the shape at all; the
  // event's required and excluded words still hold.
  std::shared_ptr<const std::vector<float>> gate;
  if (!eb.terms.empty()) gate = eb.run.state.keywordCache.scores(list, eb.terms);
  RankContext gated = context;
  gated.keywordGate = gate.get();
  ScoreRequest neutral;
  neutral.weight = 0.5f;
  neutral.duration = q.duration;
  neutral.shape = q.shape;
  neutral.impact = 0.5f;
  ranked = rankCandidates(list, neutral, 20, gated);
  compatible(ranked);
  prune(ranked);
  if (!ranked.empty()) return ranked;

  // A file the event already plays may come back only when it is long enough to
  // offer another stretch.
  ranked = rankCandidates(list, neutral, 20, gated);
  for (auto& c : ranked)
    for (const auto& p : eb.placedSounds)
      if (p.path == c.record->path && !(c.record->duration > 1.5f * p.length)) c.score = 0.0f;
  prune(ranked);
  if (!ranked.empty()) return ranked;

  ranked = rankCandidates(list, neutral, 30, gated);
  prune(ranked);
  return ranked;
}

ScoredCandidate pickSound(EventBuild& eb, const LadderRequest& request) {
  const auto ranked = candidateLadder(eb, request);
  if (ranked.empty()) return {};
  const ScoredCandidate chosen = ranked[pickWeighted(ranked, eb.run.rng)];
  // A file that has gone since the scan becomes a placeholder, not a silent gap.
  return fileExists(chosen.record->path) ? chosen : ScoredCandidate{};
}

void commitPick(EventBuild& eb, Layer layer, const LibraryRecord& record, float recentUseTime,
                std::optional<float> score) {
  if (score) eb.run.pickScores[layer.id] = *score;
  layer.name = record.name;
  layer.filepath = record.path;
  layer.fileId = record.fileId;
  layer.bandShares = normalisedShares(record.bandShare);
  setSourcePitch(layer, record.pitchHz, record.pitchConfidence);
  if (eb.ev.fmtOverride < 0) layer.fmt = record.channels >= 2 ? 1 : 0;
  const int source = formatOfChannels(record.channels);
  layer.srcFmt = (source >= 0 && source != layer.fmt) ? source : -1;
  applyPitchVariation(layer, eb.ev.pitchVariation, eb.run.rng);

  eb.run.recentUses.add(record.path, recentUseTime);
  eb.placedSounds.push_back({record.path, record.groupId, layer.duration});
  eb.usedRegions.push_back({record.path, {layer.sourceOffset, layer.sourceOffset + layer.sourceDuration}});
  for (int k = 0; k < kBands; ++k) eb.occupied[k] += record.bandShare[k];
  eb.noisinessSum += noisiness(record);
  ++eb.picks;
  ++eb.placed;
  eb.run.session.results.push_back(std::move(layer));
}

std::vector<UsedSpan> usedSpansOf(const EventBuild& eb, const std::string& path) {
  std::vector<UsedSpan> spans;
  for (const auto& [p, span] : eb.usedRegions)
    if (p == path) spans.push_back(span);
  return spans;
}

void fitFades(Layer& l) {
  const float room = 0.8f * l.duration;
  const float sum = l.fadeIn + l.fadeOut;
  if (sum > room && sum > 0.0f) {
    l.fadeIn *= room / sum;
    l.fadeOut *= room / sum;
  }
}

void placeHit(Layer& l, const SourceRegion& region, float syncTime, float anchor, float length, float margin) {
  const float s0 = syncTime - region.syncPoint;
  const float start = std::max(anchor - margin, s0);
  const float end = std::min(anchor + length + margin, s0 + region.duration);
  l.startTime = start;
  l.duration = std::max(end - start, 0.1f);
  l.sourceOffset = region.offset + (start > s0 ? start - s0 : 0.0f);
  l.sourceDuration = region.duration;
  l.audioSyncOffset = region.syncPoint;
  l.fadeIn = std::max(std::max(0.02f * l.duration, 0.01f), region.minFadeIn);
  l.fadeOut = std::max(std::max(0.04f * l.duration, 0.03f), region.minFadeOut);
  fitFades(l);
}

void alignAttack(Layer& l, const SourceRegion& region, float syncTime) {
  const float attackInFile = region.offset + region.syncPoint;
  l.sourceOffset = std::max(0.0f, attackInFile - (syncTime - l.startTime));
  l.sourceDuration = std::max(0.0f, region.offset + region.duration - l.sourceOffset);
  l.audioSyncOffset = attackInFile - l.sourceOffset;
}

void placeBody(Layer& l, const SourceRegion& region, float fadeShare) {
  l.sourceOffset = region.offset;
  l.sourceDuration = region.duration;
  l.audioSyncOffset = region.syncPoint;
  const float soft = std::min(fadeShare * l.duration, 0.5f);
  l.fadeIn = std::max({soft, region.minFadeIn, 0.01f});
  l.fadeOut = std::max({soft, region.minFadeOut, 0.03f});
  fitFades(l);
}

std::optional<LibraryRecord> userFileRecord(const EventBuild& eb, const std::string& path,
                                            const std::string& fileId) {
  if (const LibraryRecord* known = findLibraryRecord(eb.run.libraries, fileId, path)) return *known;
  if (path.empty() || !fileExists(path)) return std::nullopt;
  return probeSourceFile(path);
}

}  // namespace vn
