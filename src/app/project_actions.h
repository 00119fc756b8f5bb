#pragma once
// New, Open, Save and Save As as the interface gives them: the project commands of the
// session documents, with the file browser for paths and the interface state (undo
// history, selection, zoom) that a new Session resets.
#include <string>
#include <vector>

namespace vn {

struct AppState;

// Connects the project commands to the application: the Session, the preferences, the
// status line and the preferences-changed flag.
void attachProjectContext(AppState& app);

std::vector<std::string> recentProjects(const AppState& app);
void clearRecentProjects(AppState& app);

void newProjectCommand(AppState& app);
void openProjectCommand(AppState& app, const std::string& path);
void saveCommand(AppState& app);
void saveAsCommand(AppState& app, const std::string& path);
void browseForProject(AppState& app);
void browseForSaveAs(AppState& app);

}  // namespace vn
