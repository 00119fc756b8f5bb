#pragma once
// The working state of one event's build, shared by the layer plans of the
// shapes: its sanitised copy, candidates, the sounds placed so far and the
// helpers that make, rank, pick and append layers.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "builder/build_run.h"
#include "builder/fill_chunks.h"
#include "builder/placeholder.h"
#include "builder/search_terms.h"
#include "builder/source_region.h"

namespace vn {

struct EventBuild {
  EventBuild(BuildRun& run, int eventIndex, double timeLimitSeconds);

  BuildRun& run;
  int eventIndex;
  Event ev;              // sanitised copy
  float anchor = 0.0f;   // time - syncOffset: where the event's layers start
  float peak = 0.0f;     // P: intensity peak times intensityScale
  int limit = 0;         // L: most layers the event takes
  int busPosition = -1;
  std::vector<SearchTerm> terms;
  const CandidateList* candidates = nullptr;

  BandArray occupied{};  // band energy of hero events and of the sounds picked so far
  float noisinessSum = 0.0f;
  int picks = 0;
  std::vector<PlacedSound> placedSounds;
  std::vector<std::pair<std::string, UsedSpan>> usedRegions;
  int placed = 0;  // layers placed, pinned files and placeholders included

  bool outOfTime() const;

 private:
  CandidateList ownCandidates_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
};

// What one layer asks of the candidate ladder.
struct LadderRequest {
  float weight = 0.5f;        // the ranking weight w'
  float duration = 1.0f;      // event or layer length the sound should suit
  ShapeType shape = ShapeType::Spot;
  float impact = 0.5f;        // for the first two attempts
  float time = 0.0f;          // timeline time, for the recent uses
  float layerLength = 1.0f;   // for the same-file rule of attempt 3
};

// A fresh layer of the event (id, eventIdx, bus, track, timing set).
Layer newLayer(EventBuild& eb, float weight, int procMode, float start, float duration);
// Marks it a placeholder of the kind, appends it and counts it as placed.
void appendPlaceholder(EventBuild& eb, Layer layer, SketchKind kind);
// The ranking weight w': with pitch variation, the weight wanders a little.
float rankingWeight(EventBuild& eb, float weight);
// Attempts 0..4, stopping at the first that leaves a candidate.
std::vector<ScoredCandidate> candidateLadder(EventBuild& eb, const LadderRequest& request);
// Ladder plus the weighted pick; no record when nothing is left or the chosen
// file is no longer on disk.
ScoredCandidate pickSound(EventBuild& eb, const LadderRequest& request);
// The layer takes the record's file, its source pitch and a fresh pitch
// variation; the record counts as the event's pick; the layer is appended.
// score: the ranking score of a pick (none for the user's own files).
void commitPick(EventBuild& eb, Layer layer, const LibraryRecord& record, float recentUseTime,
                std::optional<float> score = std::nullopt);
// Regions of the file the event's layers already play.
std::vector<UsedSpan> usedSpansOf(const EventBuild& eb, const std::string& path);

// Fits the fades into the layer: when together they take more than 80 % of it
// they shrink in proportion.
void fitFades(Layer& layer);
// Places a hit region so that its sync point lands on syncTime, the layer
// spanning anchor - margin .. anchor + length + margin where the sound allows.
void placeHit(Layer& layer, const SourceRegion& region, float syncTime, float anchor, float length, float margin);
// Keeps the layer where it is and lets the region's attack land on syncTime as
// far as the file allows (it cannot start before its first sample).
void alignAttack(Layer& layer, const SourceRegion& region, float syncTime);
// Places a body region over the layer as it stands (start and duration kept).
void placeBody(Layer& layer, const SourceRegion& region, float fadeShare);

// The record of a file the user chose (pinned, Clip, Bed): the Libraries' own
// (by id, then path) or, for a file they do not know, one probed from disk.
std::optional<LibraryRecord> userFileRecord(const EventBuild& eb, const std::string& path, const std::string& fileId);

// A Spot layer of the record: its attack on the event's time, the layer around
// the event's span; then committed.
void placeSpotSound(EventBuild& eb, Layer layer, const LibraryRecord& record,
                    std::optional<float> score = std::nullopt);

// Makes the layer a Fill of the record: a calm region when the file outlasts
// the layer, else chunks that repeat it in the given order (see fill_chunks.h).
void fillLayerFrom(EventBuild& eb, Layer& layer, const LibraryRecord& record, ChunkOrder order);

// The layer plans of the shapes.
void placePinnedFiles(EventBuild& eb);
void planSpot(EventBuild& eb);
void planSegments(EventBuild& eb);
void planFill(EventBuild& eb);
void planAlloy(EventBuild& eb);
void planScatter(EventBuild& eb);
void planClip(EventBuild& eb);
void planBed(EventBuild& eb);

}  // namespace vn
