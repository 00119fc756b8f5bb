#pragma once
// The user's project commands (New, Open, Save, Save As and the automatic
// backup), shared by the desktop application and varnel-cli. What they need of
// the rest of the program comes in through the context: the Session and the
// preferences they work on, and hooks for the audio device and the render.
#include <functional>
#include <string>

#include "core/preferences.h"
#include "core/session.h"

namespace vn {

struct ProjectContext {
  Session* session = nullptr;
  Preferences* preferences = nullptr;
  std::string projectPath;          // empty for a new project that was never saved
  std::string status;               // the last status text shown to the user
  std::string newerVersionWarning;  // set by an open of a document from a newer program
  double autoSaveTimer = 0.0;       // seconds since the last automatic backup

  // Each hook is optional.
  std::function<void(const std::string&)> showStatus;   // every status text as it is shown
  std::function<bool(int sampleRate)> applySampleRate;  // false when the device refuses the rate
  std::function<void()> startLoadingAudio;              // the layers' audio of an opened project
  std::function<bool()> jobHoldsSession;                // a build or render job is filling the Session
  std::function<void()> writePreferences;               // instead of SavePreferences(*preferences)
};

// path with ".vnproj" appended unless it already ends so (in any case).
std::string withProjectExtension(std::string path);

// New project: clears the Session, forgets the project path and removes its crash lock.
void newProject(ProjectContext& context);
// Opens path, from its backup when a crash lock says the last run did not end
// cleanly (the recovered Session is then unsaved). False (and the Session as it
// was) when it cannot be opened.
bool openProject(ProjectContext& context, const std::string& path);
// Saves to path (".vnproj" is appended when missing) and makes it the project path.
bool saveProjectCommand(ProjectContext& context, std::string path);
// Called once per interface frame with the frame's duration in seconds; writes a
// backup when the interval has passed with unsaved changes.
void autoSaveTick(ProjectContext& context, double frameSeconds);
// A clean end of the program: the crash lock goes, so the next open loads the
// project itself.
void closeProject(ProjectContext& context);

}  // namespace vn
