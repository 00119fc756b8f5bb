#pragma once
// The build driver: turns events into layers. A BuildRun holds what one build
// shares across its events (the random state, the recent uses of files, the
// candidates gathered per bus); buildEvent fills one event.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "builder/candidates.h"
#include "builder/compatibility.h"
#include "builder/engine_state.h"
#include "builder/ranking.h"
#include "core/session.h"

namespace vn {

struct BuildRun {
  // nowSeconds: the clock that, with the seed, starts the random state; the same
  // seed within the same second repeats a build.
  BuildRun(Session& session, LibraryView libraries, BuildEngineState& state, uint32_t seed, int64_t nowSeconds);

  Session& session;
  LibraryView libraries;
  BuildEngineState& state;
  uint32_t rng;
  BanList bans;
  RecentUses recentUses;
  std::unordered_map<uint32_t, float> pickScores;  // ranking score of each picked layer, by id

  // The candidates of a bus position (or of every bus when none feeds it),
  // gathered once per build.
  const CandidateList& sharedCandidates(int busPosition);
  RankContext rankContext();

 private:
  std::map<int, CandidateList> byBus_;
};

// Appends the new layers of one event to the Session's results, contiguously.
// timeLimitSeconds (-1 = none) bounds the work: once it is spent the event gets
// no further layers (its first layer is always placed).
void buildEvent(BuildRun& run, int eventIndex, double timeLimitSeconds = -1.0);

struct BuildOptions {
  uint32_t seed = 0;
  int64_t nowSeconds = -1;  // -1 = the current time
  // Only events whose time lies in [rangeStart, rangeEnd] are built; a range is
  // active when rangeStart >= 0 and rangeEnd > rangeStart.
  float rangeStart = -1.0f;
  float rangeEnd = -1.0f;
  int onlyEvent = -1;  // build this event alone (even when locked: "Rebuild this event")
  const std::atomic<bool>* cancel = nullptr;
  std::function<void(int done, int total)> progress;
};

struct BuildSummary {
  int eventsBuilt = 0;
  std::vector<int> builtEvents;  // their indices, in build order
  int layersAdded = 0;
  int placeholders = 0;
  bool cancelled = false;
  std::string status;  // the placeholder status text, empty when every layer has a sound
  std::unordered_map<uint32_t, float> pickScores;  // by layer id; the user's own files have none
};

// Replaces the layers of every unlocked event (in the range) with new ones, in
// event order; locked events keep theirs. The layering passes are not run here.
BuildSummary buildEvents(Session& session, LibraryView libraries, BuildEngineState& state,
                         const BuildOptions& options);

int64_t currentSeconds();

}  // namespace vn
