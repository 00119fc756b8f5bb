#include "app/render_actions.h"

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/library_actions.h"
#include "builder/placeholder.h"
#include "library/libraries.h"
#include "render/bus_balance.h"
#include "platform/log.h"

namespace vn {
namespace {

bool workerReady(const AppState& app) { return app.render.worker.joinable(); }

void applyRenderOptions(AppState& app) {
  app.render.options.protectSilence = app.prefs.protectSilence;
  app.render.options.destructiveEQ = app.prefs.destructiveEQ;
}

}  // namespace

bool renderJobsAvailable(const AppState& app) { return workerReady(app) && !sessionBusy(app); }

void postBuild(AppState& app, int eventIdx) {
  const bool one = eventIdx >= 0;
  if (one && eventIdx >= static_cast<int>(app.session.events.size())) return;
  if (!beginEdit(app, one ? "Rebuild event" : "Build")) return;
  applyRenderOptions(app);
  RenderJob job;
  if (one) {
    job.kind = kJobOneEvent;
    job.eventIdx = eventIdx;
  } else {
    job.fullRender = true;
  }
  if (!postRenderJob(app.render, job, one ? "Rebuilding the event" : "Building")) {
    // Another job took the worker first: this build never happened.
    undoStep(app.history, app.session);
    app.history.redo.clear();
    setStatus(app, "Wait for the running job to finish");
    return;
  }
  app.buildPosted = true;
}

void postRender(AppState& app) {
  applyRenderOptions(app);
  if (!RebuildCacheAsync(app.render, "Rendering", false)) setStatus(app, "Wait for the running job to finish");
}

void refreshCacheAfterUndo(AppState& app) {
  if (workerReady(app) && !RebuildCacheAsync(app.render, "Updating the mix", true)) app.render.rebuildDeferred = true;
}

void clearRenderedAudio(AppState& app) { clearCache(app.render.cache); }

void loadSessionAudio(AppState& app) {
  clearRenderedAudio(app);
  if (!workerReady(app) || app.session.results.empty()) return;
  // The layers were tuned when they were built; reading them back keeps that.
  if (!RebuildCacheAsync(app.render, "Loading audio\u2026", true)) app.render.rebuildDeferred = true;
}

void rebalanceBusses(AppState& app) {
  if (!workerReady(app)) return;
  app.balancePending = !postBackgroundTask(app.render, "Balancing the busses",
                                           [&app] { balanceBusses(app.render.cache, app.session); });
}

std::optional<JobProgress> renderJobProgress(AppState& app) {
  if (!app.render.busy.load()) return std::nullopt;
  RenderPipeline& render = app.render;
  const int done = render.progressDone.load(), total = render.progressTotal.load();
  return JobProgress{renderStatusText(render), total > 0 ? float(done) / float(total) : -1.0f,
                     total > 0 ? format("%d/%d", done, total) : std::string()};
}

void pollRenderJobs(AppState& app) {
  refreshWaveforms(app.waveforms, app.render.cache);
  if (app.render.busy.load() || !app.render.jobDone.exchange(false)) return;
  if (app.buildPosted) {
    app.buildPosted = false;
    const std::string text = placeholderStatus(placeholderCount(app.session), loadedLibraryCount());
    setStatus(app, text.empty() ? format("Built %zu layers", app.session.results.size()) : text);
  }
  if (app.render.rebuildDeferred.exchange(false)) refreshCacheAfterUndo(app);
  else if (app.balancePending) rebalanceBusses(app);
}

}  // namespace vn
