#include "app/bounce_actions.h"

#include <mutex>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/render_actions.h"
#include "builder/build_run.h"
#include "core/bounce_edit.h"
#include "export/bounce_render.h"
#include "library/file_identity.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

std::string bounceFolder(const AppState& app) {
  const std::string& project = app.project.projectPath;
  return project.empty() ? pathJoin(documentsFolder(), "Varnel Bounces") : pathJoin(parentFolder(project), "Bounces");
}

// A Clip's one layer is its file; no library search is involved, so it is made here at once.
void buildClipLayer(AppState& app, int clip) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  std::vector<const Library*> libraries;
  for (const Library& library : list.libraries) libraries.push_back(&library);
  BuildEngineState state;
  BuildOptions options;
  options.onlyEvent = clip;
  buildEvents(app.session, libraries, state, options);
}

}  // namespace

bool bounceAvailable(const AppState& app) {
  return !app.selection.events.empty() && !app.bounceJob && renderJobsAvailable(app);
}

void startBounce(AppState& app) {
  if (!bounceAvailable(app)) return;
  auto job = std::make_shared<BounceJob>();
  job->events.assign(app.selection.events.begin(), app.selection.events.end());
  job->file = std::make_shared<BounceRender>();
  RenderPipeline& pipeline = app.render;
  const bool posted = postBackgroundTask(
      pipeline, "Bouncing\u2026",
      [file = job->file, &pipeline, session = app.session, events = job->events, folder = bounceFolder(app)] {
        *file = renderBounce(session, events, folder, &pipeline.cancel);
      });
  if (!posted) {
    setStatus(app, "Wait for the running job to finish");
    return;
  }
  app.bounceJob = std::move(job);
}

void pollBounceJob(AppState& app) {
  if (!app.bounceJob || app.render.busy.load()) return;
  const std::shared_ptr<BounceJob> job = std::move(app.bounceJob);
  const BounceRender& file = *job->file;
  if (!file.ok) {
    setStatus(app, file.error.empty() ? "Bounce cancelled" : file.error);
    return;
  }
  if (!beginEdit(app, "Bounce Selection to Clip")) return;
  const int clip = bounceEventsToClip(app.session, job->events, file.path, FileIdForPath(file.path), file.start,
                                      file.duration);
  buildClipLayer(app, clip);
  selectOnly(app.selection, clip);
  refreshCacheAfterUndo(app);
  setStatus(app, format("Bounced %zu event%s to %s", job->events.size(), plural(static_cast<int64_t>(job->events.size())),
                        fileNameOf(file.path).c_str()));
}

bool revertBounceAt(AppState& app, int eventIdx) {
  if (!isBounce(app.session, eventIdx)) return false;
  const Event& clip = app.session.events[static_cast<size_t>(eventIdx)];
  std::vector<Layer> layers = bouncedLayers(clip.pinnedFile, clip.time);
  if (!beginEdit(app, "Revert Bounce")) return false;
  const RestoreCounts counts = revertBounce(app.session, eventIdx, std::move(layers));
  app.selection.events.clear();
  app.selection.primary = -1;
  refreshCacheAfterUndo(app);
  setStatus(app, restoredText(counts) + (counts.layers == 0 ? " - build them again to hear them" : ""));
  return true;
}

}  // namespace vn
