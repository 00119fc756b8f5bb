#pragma once
// Build and render as the interface posts them to the render worker, and what the
// interface picks up when a job ends.
#include <optional>

#include "app/job_status.h"

namespace vn {

struct AppState;

bool renderJobsAvailable(const AppState& app);
// Builds every unlocked event (eventIdx -1) or one event, then renders.
void postBuild(AppState& app, int eventIdx);
// Renders the built layers again.
void postRender(AppState& app);
// After an undo or redo changed the layers: the cache follows the Session.
void refreshCacheAfterUndo(AppState& app);
// A project opened: the previous project's mix goes at once, and the layers' sounds
// are read and rendered in the background ("Loading audio…").
void loadSessionAudio(AppState& app);
// New project: nothing of the previous mix may play under it.
void clearRenderedAudio(AppState& app);
// Normalize or a bus target changed: every block is gained for its bus again.
void rebalanceBusses(AppState& app);

std::optional<JobProgress> renderJobProgress(AppState& app);
void pollRenderJobs(AppState& app);

}  // namespace vn
