#include "app/project_actions.h"

#include "app/app_state.h"
#include "app/delivery_actions.h"
#include "app/edit_actions.h"
#include "app/engines.h"
#include "app/render_actions.h"
#include "platform/paths.h"

namespace vn {
namespace {

// A Session that replaced the previous one: nothing of the old interface state applies,
// and what was playing stops.
void startFresh(AppState& app) {
  if (app.playback) StopPlayback(*app.playback);
  clearHistory(app.history);
  selectOnly(app.selection, -1);
  app.clipboard.clear();
  movePlayhead(app, 0.0);
  app.fitPending = true;
  app.timelineDrag = TimelineDrag{};
}

std::string browseFolder(const AppState& app) {
  if (!app.project.projectPath.empty()) return parentFolder(app.project.projectPath);
  if (!app.prefs.recentProjects.empty()) return parentFolder(app.prefs.recentProjects.front());
  return documentsFolder();
}

}  // namespace

void attachProjectContext(AppState& app) {
  ProjectContext& c = app.project;
  c.session = &app.session;
  c.preferences = &app.prefs;
  c.showStatus = [&app](const std::string& text) { setStatus(app, text); };
  c.jobHoldsSession = [&app] { return sessionBusy(app); };
  c.startLoadingAudio = [&app] { loadSessionAudio(app); };
  c.writePreferences = [&app] { app.preferencesChanged = true; };
}

std::vector<std::string> recentProjects(const AppState& app) { return app.prefs.recentProjects; }

void clearRecentProjects(AppState& app) {
  app.prefs.recentProjects.clear();
  app.preferencesChanged = true;
}

void newProjectCommand(AppState& app) {
  newProject(app.project);
  const bool templated = applyDefaultBusLayout(app);
  clearRenderedAudio(app);
  startFresh(app);
  setStatus(app, templated ? "New project with bus layout \"" + busTemplates(app).defaultLayout + "\"" : "New project");
}

void openProjectCommand(AppState& app, const std::string& path) {
  if (!openProject(app.project, path)) return;
  startFresh(app);
  if (!app.project.newerVersionWarning.empty()) setStatus(app, app.project.newerVersionWarning);
}

void saveCommand(AppState& app) {
  if (app.project.projectPath.empty()) browseForSaveAs(app);
  else saveProjectCommand(app.project, app.project.projectPath);
}

void saveAsCommand(AppState& app, const std::string& path) { saveProjectCommand(app.project, path); }

void browseForProject(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Open Project", browseFolder(app), extensionFilter(".vnproj"),
                  [&app](const std::string& path) { app.commands.post({CommandId::OpenPath, path, -1}); });
}

void browseForSaveAs(AppState& app) {
  const std::string name = app.project.projectPath.empty() ? "Untitled.vnproj" : fileNameOf(app.project.projectPath);
  openFileBrowser(app.browser, BrowseMode::SaveFile, "Save Project As", browseFolder(app), extensionFilter(".vnproj"),
                  [&app](const std::string& path) { app.commands.post({CommandId::SaveToPath, path, -1}); }, name);
}

}  // namespace vn
