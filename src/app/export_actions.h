#pragma once
// The export as the window runs it: one run at a time on the render worker, its
// stage and progress in the status line, its result kept for the Export panel.
#include <memory>
#include <string>

namespace vn {

struct AppState;
struct ExportRun;
struct VariationRun;

struct ExportPanelState {
  std::string folder;    // empty: the default beside the project
  std::string baseName;  // empty: the project's name
  std::shared_ptr<ExportRun> run;  // the run on the worker, until its result is picked up
  std::shared_ptr<VariationRun> variations;  // the same for Export Variations
  std::string variationsFolder;  // empty: "<export folder>/Variations"
  std::string result;    // the last run's result text, kept for the panel
  std::string resultFolder;
  bool resultFailed = false;
};

// Where a run goes and what it is called when the panel leaves them empty.
std::string defaultExportFolder(const AppState& app);
std::string defaultExportBaseName(const AppState& app);

// Why an export cannot start now, in the panel's words ("Export in progress…",
// "Build the timeline first", "Select at least one format", "Select at least one
// WAV output type"); empty when it can.
std::string exportBlockedReason(const AppState& app);
bool exportRunning(const AppState& app);

// Starts a run with the preferences' options (folder: the given one, else the
// panel's, else the default).
void startExport(AppState& app, const std::string& folder = {});
// The takes of the selected events (Export Variations) into folder, on the worker.
void startVariations(AppState& app, const std::string& folder);
std::string defaultVariationsFolder(const AppState& app);

// Per frame: the result of a finished run goes to the status line and the panel.
void pollExportJob(AppState& app);
// The last run's folder in the desktop's file manager.
void openExportFolder(AppState& app);

}  // namespace vn
