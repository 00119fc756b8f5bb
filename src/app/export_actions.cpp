#include "app/export_actions.h"

#include "app/app_state.h"
#include "app/desktop_open.h"
#include "export/export_job.h"
#include "export/export_variations.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {

namespace {

constexpr int kProgressSteps = 1000;

ExportOptions optionsOf(const AppState& app) {
  ExportOptions o = exportOptionsFor(app.prefs, app.session.exportSettings);
  o.folder = app.exportState.folder.empty() ? defaultExportFolder(app) : app.exportState.folder;
  o.baseName = app.exportState.baseName.empty() ? defaultExportBaseName(app) : app.exportState.baseName;
  o.projectPath = app.project.projectPath;
  return o;
}

bool hasBlocks(const AppState& app) {
  std::lock_guard lock(app.render.cache.mutex);
  return !app.render.cache.blocks.empty();
}

}  // namespace

std::string defaultExportFolder(const AppState& app) {
  const std::string& project = app.project.projectPath;
  if (!project.empty()) return pathJoin(parentFolder(project), stemOf(project) + " Export");
  return pathJoin(documentsFolder(), "Varnel Export");
}

std::string defaultExportBaseName(const AppState& app) {
  const std::string& project = app.project.projectPath;
  return project.empty() ? "Untitled" : stemOf(project);
}

bool exportRunning(const AppState& app) {
  return app.exportState.run != nullptr || app.exportState.variations != nullptr;
}

std::string exportBlockedReason(const AppState& app) {
  if (exportRunning(app)) return "Export in progress\u2026";
  if (!hasBlocks(app)) return "Build the timeline first";
  if (const std::string problem = exportOptionsProblem(exportOptionsFromPreferences(app.prefs)); !problem.empty())
    return problem;
  if (app.render.busy.load()) return "Wait for the running job to finish";
  return {};
}

void startExport(AppState& app, const std::string& folder) {
  if (const std::string reason = exportBlockedReason(app); !reason.empty()) {
    setStatus(app, reason);
    return;
  }
  auto run = std::make_shared<ExportRun>();
  run->options = optionsOf(app);
  if (!folder.empty()) run->options.folder = folder;
  RenderPipeline& pipeline = app.render;
  Session& session = app.session;
  const bool posted = postBackgroundTask(pipeline, kExportStatusFit, [run, &pipeline, &session] {
    ExportWatch watch;
    watch.cancelled = [&pipeline] { return pipeline.cancel.load(); };
    watch.progress = [&pipeline](const char* status, double fraction) {
      reportBackgroundProgress(pipeline, status, static_cast<int>(fraction * kProgressSteps), kProgressSteps);
    };
    runExportJob(session, pipeline, *run, watch);
  });
  if (!posted) {
    setStatus(app, "Wait for the running job to finish");
    return;
  }
  app.exportState.run = std::move(run);
  app.exportState.result.clear();
}

std::string defaultVariationsFolder(const AppState& app) {
  const std::string& chosen = app.exportState.folder;
  return pathJoin(chosen.empty() ? defaultExportFolder(app) : chosen, "Variations");
}

void startVariations(AppState& app, const std::string& folder) {
  if (exportRunning(app)) {
    setStatus(app, "Export in progress\u2026");
    return;
  }
  if (app.selection.events.empty()) {
    setStatus(app, "Select the events to vary first");
    return;
  }
  auto run = std::make_shared<VariationRun>();
  const std::vector<int> events(app.selection.events.begin(), app.selection.events.end());
  RenderPipeline& pipeline = app.render;
  // The takes are built from a copy, so the session stays free to edit meanwhile.
  const bool posted = postBackgroundTask(
      pipeline, "Exporting variations\u2026",
      [run, &pipeline, session = app.session, prefs = app.prefs, events, folder] {
        VariationWatch watch;
        watch.cancelled = [&pipeline] { return pipeline.cancel.load(); };
        watch.progress = [&pipeline](int done, int total, const std::string& name) {
          reportBackgroundProgress(pipeline, name.empty() ? "Exporting variations\u2026" : name, done, total);
        };
        *run = exportVariations(session, events, prefs, folder, watch);
      });
  if (!posted) {
    setStatus(app, "Wait for the running job to finish");
    return;
  }
  app.exportState.variations = std::move(run);
  app.exportState.result.clear();
}

void pollExportJob(AppState& app) {
  ExportPanelState& state = app.exportState;
  if (state.variations && !app.render.busy.load()) {
    state.result = state.variations->resultText;
    state.resultFailed = state.variations->written.empty();
    state.resultFolder = state.variations->written.empty() ? std::string() : parentFolder(state.variations->written[0]);
    setStatus(app, state.variations->resultText);
    state.variations.reset();
    return;
  }
  if (!state.run || app.render.busy.load()) return;
  const ExportRun& run = *state.run;
  state.result = run.resultText;
  state.resultFailed = exportRunFailed(run);
  state.resultFolder = run.options.folder;
  setStatus(app, format("%s: %s", exportNotice(run), run.resultText.c_str()));
  state.run.reset();
}

void openExportFolder(AppState& app) {
  const std::string& folder = app.exportState.resultFolder;
  if (folder.empty() || !folderExists(folder)) {
    setStatus(app, "The export folder is not there");
    return;
  }
  setStatus(app, openWithDesktop(folder) ? "Opened " + folder : "Could not open " + folder);
}

}  // namespace vn
