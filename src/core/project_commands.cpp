#include "core/project_commands.h"

#include "core/project_backup.h"
#include "core/project_file.h"
#include "core/session_edit.h"
#include "core/source_paths.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

void show(ProjectContext& c, const std::string& text) {
  c.status = text;
  if (c.showStatus) c.showStatus(text);
}

void writePreferences(ProjectContext& c) {
  if (c.writePreferences)
    c.writePreferences();
  else if (c.preferences)
    SavePreferences(*c.preferences);
}

void rememberRecent(ProjectContext& c, const std::string& path) {
  if (c.preferences) addRecentProject(*c.preferences, absolutePath(path));
}

}  // namespace

std::string withProjectExtension(std::string path) {
  if (!endsWithNoCase(path, ".vnproj")) path += ".vnproj";
  return path;
}

void newProject(ProjectContext& c) {
  clearSession(*c.session);
  removeCrashLock(c.projectPath);
  c.projectPath.clear();
  c.newerVersionWarning.clear();
  c.autoSaveTimer = 0.0;
}

bool openProject(ProjectContext& c, const std::string& path) {
  if (path.empty()) return false;
  if (!fileExists(path)) {
    show(c, "File not found");
    return false;
  }
  std::string source = path;
  const std::string backup = backupSlotPath(path, 1);
  const bool recovering = fileExists(crashLockPath(path)) && fileExists(backup);
  if (recovering) {
    logLine("[Recovery] Crash lock detected - loading backup: %s\n", backup.c_str());
    source = backup;
  }
  removeCrashLock(path);

  std::string error;
  ProjectLoadInfo info;
  if (!loadProject(source, *c.session, error, &info)) {
    show(c, "Error: " + error);
    return false;
  }
  c.projectPath = path;
  c.newerVersionWarning = info.newerVersionWarning;
  c.autoSaveTimer = 0.0;
  // What a backup recovered is not in the project file yet.
  c.session->dirty = recovering;
  if (c.applySampleRate && !c.applySampleRate(c.session->settings.projectSampleRate))
    show(c, "The audio device refused this sample rate");
  if (c.startLoadingAudio) {
    show(c, "Loading audio\u2026");
    c.startLoadingAudio();
  }
  if (recovering)
    show(c, "Recovered from backup");
  else if (!c.session->missingFiles.empty())
    show(c, "Opened (some files missing)");
  else
    show(c, "Project opened");
  rememberRecent(c, path);
  writePreferences(c);
  return true;
}

bool saveProjectCommand(ProjectContext& c, std::string path) {
  path = withProjectExtension(std::move(path));
  if (!saveProject(path, *c.session)) {
    show(c, "Save failed");
    return false;
  }
  c.projectPath = path;
  show(c, "Project saved");
  rememberRecent(c, path);
  writeCrashLock(path);
  c.session->dirty = false;
  writePreferences(c);
  return true;
}

void autoSaveTick(ProjectContext& c, double frameSeconds) {
  if (!c.preferences || !c.session) return;
  const Preferences& p = *c.preferences;
  const bool busy = c.jobHoldsSession && c.jobHoldsSession();
  if (!p.autoSaveEnabled || !c.session->dirty || c.projectPath.empty() || busy) return;
  c.autoSaveTimer += frameSeconds;
  if (c.autoSaveTimer < p.autoSaveInterval) return;
  c.autoSaveTimer = 0.0;
  rotateBackups(c.projectPath, p.maxBackups);
  const std::string slot = backupSlotPath(c.projectPath, 1);
  if (!saveProjectBackup(slot, c.projectPath, *c.session)) return;
  logLine("[AutoSave] Backed up to slot 1 (%s)\n", slot.c_str());
  writeCrashLock(c.projectPath);
  show(c, "Auto-saved (backup)");
}

void closeProject(ProjectContext& c) { removeCrashLock(c.projectPath); }

}  // namespace vn
