#pragma once
// Where the picture read meets the Session: the slice line, importing the kept
// events and imported markers as Events, scenes from markers, and the copy of the
// read that the project file keeps.
#include <functional>
#include <string>
#include <vector>

#include "core/session.h"
#include "picture/session_text.h"
#include "picture/trace_analyzer.h"

namespace vn {

// Applies the saved recipe of that name to the event, keeping its time; false when
// no recipe has that name.
using ApplyRecipeFn = std::function<bool(const std::string& name, Event& event)>;

// Keep-above keeps slice values at or over the level, keep-below at or under it.
bool KeepBySlice(const TraceEvent& event, float level, bool keepAbove);
// The accepted, non-Fill events that pass the slice.
int CountKeptEvents(const TraceAnalyzer& analyzer, float level, bool keepAbove);

struct TraceImportOptions {
  float videoOffset = 0.0f;      // where the video starts on the timeline
  float spotGainWindow = 0.25f;  // seconds either side of a Spot that its gain looks at
  int recipeShape = -1;          // shape of the recipe chosen in the panel, -1 for none
  std::string recipeName;        // the recipe chosen in the panel, empty for none
  ApplyRecipeFn applyRecipe;
};

// Appends a session Event for every accepted event that passes the session's
// slice line; returns how many. The caller holds the session lock.
int ImportTraceEvents(const TraceAnalyzer& analyzer, Session& session, const TraceImportOptions& options);

// Appends a session Event for every accepted marker; returns how many.
int ImportMarkerEvents(const std::vector<ImportedMarker>& markers, Session& session, const ApplyRecipeFn& applyRecipe);
// Appends the scenes; each lasts until the next one, the last until the session's end.
void AddImportedScenes(const std::vector<ImportedScene>& scenes, Session& session);

// The read as the project keeps it (frames and suggested events); the slice and
// spatial settings of the summary stay as they are.
void StoreTraceSummary(const TraceAnalyzer& analyzer, TraceSummary& summary);
// The read back from a project: frames, events, and the event placement worked
// out again from the stored columns.
void RestoreTraceSummary(const TraceSummary& summary, TraceAnalyzer& analyzer);

}  // namespace vn
