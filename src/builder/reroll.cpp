#include "builder/reroll.h"

#include <algorithm>
#include <cmath>

#include "builder/compatibility.h"
#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/fill_chunks.h"
#include "builder/pitch_scale.h"
#include "builder/random_pick.h"
#include "builder/ranking.h"
#include "builder/source_region.h"
#include "core/track_layout.h"

namespace vn {
namespace {

constexpr float kSameFileFreshRegionScore = 200.0f;

std::string pinnedPathOf(const Event& ev, LibraryView libraries) {
  std::string path = !ev.pinnedFiles.empty() ? ev.pinnedFiles.front() : ev.pinnedFile;
  const std::string id = !ev.pinnedFileIds.empty() ? ev.pinnedFileIds.front() : ev.pinnedFileId;
  if (const LibraryRecord* r = findLibraryRecord(libraries, id, {})) path = r->path;
  return path;
}

// A layer plays the record's file when it names the record's id, or, without
// an id, its path (a saved project may hold a collected copy under another path).
bool plays(const Layer& layer, const LibraryRecord& record) {
  return layer.fileId.empty() ? layer.filepath == record.path : layer.fileId == record.fileId;
}

// Where the event's layers (this one included) already play the file.
std::vector<UsedSpan> spansOfFile(const Session& session, int eventIdx, const LibraryRecord& record) {
  std::vector<UsedSpan> spans;
  for (const auto& l : session.results)
    if (l.eventIdx == eventIdx && plays(l, record)) spans.push_back({l.sourceOffset, l.sourceOffset + l.sourceDuration});
  return spans;
}

// The other layers of the event, by the library path of their file where known.
std::vector<PlacedSound> othersOf(const Session& session, int layerIndex, LibraryView libraries) {
  const Layer& me = session.results[layerIndex];
  std::vector<PlacedSound> others;
  for (size_t i = 0; i < session.results.size(); ++i) {
    const Layer& l = session.results[i];
    if (static_cast<int>(i) == layerIndex || l.eventIdx != me.eventIdx || l.filepath.empty()) continue;
    const LibraryRecord* r = findLibraryRecord(libraries, l.fileId, l.filepath);
    others.push_back({r ? r->path : l.filepath, r ? r->groupId : 0, l.duration});
  }
  return others;
}

// The layer takes its new file (or a fresh stretch of the same one).
void placeNewSound(Layer& layer, const Event& ev, const LibraryRecord& record, std::span<const UsedSpan> used,
                   uint32_t& state) {
  layer.name = record.name;
  layer.filepath = record.path;
  layer.fileId = record.fileId;
  layer.bandShares = normalisedShares(record.bandShare);
  setSourcePitch(layer, record.pitchHz, record.pitchConfidence);
  // The earlier variation left with the earlier sound; a new one is drawn below.
  layer.pitchShift -= layer.pitchVarShift;
  layer.pitchVarShift = 0.0f;
  if (layer.procMode == 1) {
    const SourceRegion region = bodyRegion(record, layer.duration, 0.3f, used, nextUniform(state));
    const FillLayout fill = fillChunkLayout(record.duration, region.offset, layer.duration, ChunkOrder::Shuffle, state);
    layer.fillChunks = fill.chunks;
    layer.fillLoop = fill.loops;
    layer.sourceOffset = fill.loops ? 0.0f : region.offset;
    layer.sourceDuration = fill.loops ? record.duration : region.duration;
  } else if (layer.procMode == 2 && layer.audioSyncOffset > 0.0f) {
    // A hit keeps its attack where the old one was.
    const float syncTime = layer.startTime + layer.audioSyncOffset;
    SourceRegion region = hitRegion(record, layer.duration);
    if (auto fresh = freeRegionStart(record.duration, region.duration, used, region.offset)) {
      region.syncPoint = std::max(0.0f, region.offset + region.syncPoint - *fresh);
      region.offset = *fresh;
    }
    alignAttack(layer, region, syncTime);
    layer.fadeOut = std::max(layer.fadeOut, region.minFadeOut);
  } else {
    const SourceRegion region = bodyRegion(record, layer.duration, 0.5f, used, nextUniform(state));
    layer.sourceOffset = region.offset;
    layer.sourceDuration = region.duration;
    layer.audioSyncOffset = 0.0f;
    layer.fadeIn = std::max(layer.fadeIn, region.minFadeIn);
    layer.fadeOut = std::max(layer.fadeOut, region.minFadeOut);
  }
  fitFades(layer);
  applyPitchVariation(layer, ev.pitchVariation, state);
}

}  // namespace

bool rerollLayer(Session& session, LibraryView libraries, BuildEngineState& state, int layerIndex, bool narrow,
                 int64_t nowSeconds) {
  if (layerIndex < 0 || layerIndex >= static_cast<int>(session.results.size())) return false;
  Layer& layer = session.results[layerIndex];
  if (layer.eventIdx < 0 || layer.eventIdx >= static_cast<int>(session.events.size()) || layer.procMode == 3)
    return false;
  const Event ev = sanitisedEvent(session.events[layer.eventIdx]);

  CandidateList candidates = gatherCandidates(libraries, eventBusPosition(session.trackLayout, ev), ev.libFilter);
  const std::string pinned = pinnedPathOf(ev, libraries);
  if (!pinned.empty()) candidates = soundAlikes(candidates, pinned);

  const std::vector<SearchTerm> terms = parseSearchTerms(ev.keywords);
  ScoreRequest asked;
  asked.weight = clampf(std::isfinite(layer.weight) ? layer.weight : 0.5f, 0.0f, 1.0f);
  asked.duration = ev.duration;
  asked.shape = ev.shape;
  asked.terms = terms;
  asked.impact = 0.5f;
  const BanList bans = makeBanList(session);
  RankContext context{&bans, &state.reference, &state.keywordCache};
  std::vector<ScoredCandidate> ranked = rankCandidates(candidates, asked, 20, context);

  const std::vector<PlacedSound> others = othersOf(session, layerIndex, libraries);
  const LibraryRecord* current = nullptr;
  for (auto& c : ranked) {
    if (plays(layer, *c.record)) {
      current = c.record;
      c.score *= 0.01f;
    } else {
      c.score *= compatibility(*c.record, others, nullptr, 0.0f);
    }
  }
  std::erase_if(ranked, [](const ScoredCandidate& c) { return !(c.score > 0.0f); });
  if (!current) current = findLibraryRecord(libraries, layer.fileId, layer.filepath);

  const std::vector<UsedSpan> used = current ? spansOfFile(session, layer.eventIdx, *current) : std::vector<UsedSpan>{};
  // A file with a stretch the event does not play yet may come back at that
  // stretch; otherwise the pick moves to the current sound's neighbours (the
  // current file among them: drawn again, it leaves the layer as it was).
  const bool freshRegion =
      current && freeRegionStart(current->duration, std::max(layer.sourceDuration, 0.05f), used, 0.0f).has_value();
  if (freshRegion && ranked.size() >= 2) {
    for (auto& c : ranked)
      if (c.record == current) c.score = kSameFileFreshRegionScore;
  } else if (current) {
    for (auto& c : ranked) c.score = 100.0f * std::exp(-3.0f * rerollDistance(*c.record, *current));
  }
  keepBest(ranked, narrow ? 3 : 8);
  float total = 0.0f;
  for (const auto& c : ranked) total += c.score;
  if (!(total > 0.0f)) return false;

  ++state.rerollCounter;
  uint32_t seed = (state.rerollCounter * 0x9E3779B1u) ^ layer.id ^ static_cast<uint32_t>(nowSeconds);
  lcgAdvance(seed);
  std::vector<float> scores;
  for (const auto& c : ranked) scores.push_back(c.score);
  const LibraryRecord& chosen = *ranked[pickByRunningSum(scores, lcgUniform(seed))].record;

  const Layer unchanged = layer;
  const bool sameFile = plays(unchanged, chosen);
  placeNewSound(layer, ev, chosen, sameFile ? used : spansOfFile(session, layer.eventIdx, chosen), seed);
  if (sameFile && std::fabs(layer.sourceOffset - unchanged.sourceOffset) < 1e-4f) {
    layer = unchanged;
    return false;
  }
  const LayerSound before = soundOf(unchanged);
  layer.placeholder = false;
  state.history[layer.id].push_back(before);
  return true;
}

bool previousSound(Session& session, BuildEngineState& state, int layerIndex) {
  if (layerIndex < 0 || layerIndex >= static_cast<int>(session.results.size())) return false;
  Layer& layer = session.results[layerIndex];
  auto it = state.history.find(layer.id);
  if (it == state.history.end() || it->second.empty()) return false;
  restoreSound(layer, it->second.back());
  it->second.pop_back();
  return true;
}

}  // namespace vn
