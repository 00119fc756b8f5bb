#include "builder/build_run.h"

#include <algorithm>
#include <ctime>

#include "builder/event_build.h"
#include "builder/placeholder.h"
#include "builder/random_pick.h"

namespace vn {

int64_t currentSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

BuildRun::BuildRun(Session& s, LibraryView libs, BuildEngineState& st, uint32_t seed, int64_t nowSeconds)
    : session(s), libraries(libs), state(st), rng(buildSeedState(nowSeconds, seed)), bans(makeBanList(s)) {
  syncLayerIds(state, session);
}

const CandidateList& BuildRun::sharedCandidates(int busPosition) {
  auto it = byBus_.find(busPosition);
  if (it == byBus_.end()) it = byBus_.emplace(busPosition, gatherCandidates(libraries, busPosition, {})).first;
  return it->second;
}

RankContext BuildRun::rankContext() {
  RankContext context;
  context.bans = &bans;
  context.reference = &state.reference;
  context.keywordCache = &state.keywordCache;
  return context;
}

void buildEvent(BuildRun& run, int eventIndex, double timeLimitSeconds) {
  if (eventIndex < 0 || eventIndex >= static_cast<int>(run.session.events.size())) return;
  EventBuild eb(run, eventIndex, timeLimitSeconds);
  const ShapeType shape = eb.ev.shape;
  if (shape == ShapeType::Clip) return planClip(eb);
  if (shape == ShapeType::Bed) return planBed(eb);

  placePinnedFiles(eb);
  if (eb.ev.exactLayers && eb.placed >= 1) return;
  const bool alloyShape = shape == ShapeType::Spot || shape == ShapeType::Bloom || shape == ShapeType::Contour;
  if (eb.ev.alloy && alloyShape) return planAlloy(eb);
  switch (shape) {
    case ShapeType::Spot: return planSpot(eb);
    case ShapeType::Bloom:
    case ShapeType::Contour: return planSegments(eb);
    case ShapeType::Fill: return planFill(eb);
    case ShapeType::Scatter: return planScatter(eb);
    default: return;
  }
}

namespace {

bool wanted(const Event& ev, int index, const BuildOptions& o) {
  if (o.onlyEvent >= 0) return index == o.onlyEvent;
  if (ev.locked) return false;
  const bool ranged = o.rangeStart >= 0.0f && o.rangeEnd > o.rangeStart;
  return !ranged || (ev.time >= o.rangeStart && ev.time <= o.rangeEnd);
}

}  // namespace

BuildSummary buildEvents(Session& session, LibraryView libraries, BuildEngineState& state,
                         const BuildOptions& options) {
  BuildSummary summary;
  std::vector<int> todo;
  std::vector<char> rebuilt(session.events.size(), 0);
  for (int i = 0; i < static_cast<int>(session.events.size()); ++i)
    if (wanted(session.events[i], i, options)) {
      todo.push_back(i);
      rebuilt[i] = 1;
    }
  // The layers of the events about to be built go; the others keep their order.
  std::erase_if(session.results, [&](const Layer& l) {
    return l.eventIdx >= 0 && l.eventIdx < static_cast<int>(rebuilt.size()) && rebuilt[l.eventIdx];
  });
  const size_t before = session.results.size();
  BuildRun run(session, libraries, state, options.seed,
               options.nowSeconds >= 0 ? options.nowSeconds : currentSeconds());
  for (size_t k = 0; k < todo.size(); ++k) {
    if (options.cancel && options.cancel->load()) {
      summary.cancelled = true;
      break;
    }
    buildEvent(run, todo[k]);
    ++summary.eventsBuilt;
    summary.builtEvents.push_back(todo[k]);
    if (options.progress) options.progress(static_cast<int>(k + 1), static_cast<int>(todo.size()));
  }
  summary.layersAdded = static_cast<int>(session.results.size() - before);
  summary.pickScores = std::move(run.pickScores);
  summary.placeholders = placeholderCount(session);
  summary.status = placeholderStatus(summary.placeholders, static_cast<int>(libraries.size()));
  if (summary.eventsBuilt > 0) session.dirty = true;
  return summary;
}

}  // namespace vn
