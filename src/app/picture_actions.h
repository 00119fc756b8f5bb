#pragma once
// What the interface does with the picture: loading the reference video, reading
// the picture, importing its events, markers and trace files, and keeping the video
// frame in step with the playhead.
#include <string>

namespace vn {

struct AppState;

// File > Import Video…: the chosen file loads on a worker while the interface runs.
void importVideoCommand(AppState& app);
void loadVideoInBackground(AppState& app, const std::string& path, bool fromProject);
bool videoLoading(const AppState& app);

// File > Import Markers…: the markers of a session text export, listed in the Trace
// panel for import; scene markers become scenes at once.
void importMarkersCommand(AppState& app);
void importMarkersFrom(AppState& app, const std::string& path);

// A trace file read back instead of reading the picture again.
void browseForTraceFile(AppState& app);
bool importTraceFile(AppState& app, const std::string& path);

void startPictureRead(AppState& app);
void stopPictureRead(AppState& app);
void clearPictureRead(AppState& app);
// Flips whether one picture event is accepted (kept in the Session's copy too).
void toggleTraceEvent(AppState& app, int index);
// The accepted picture events that pass the slice line, and the accepted markers,
// become Events (one undo step); returns how many.
int importPictureEvents(AppState& app);

// Shown in the Trace panel for a while.
void showPictureMessage(AppState& app, const std::string& text, bool error, double seconds = 6.0);

// Shut-down: a read in progress ends, a video still loading is waited for, and the open
// video closes with its texture while the window's context still exists.
void closeReferenceVideo(AppState& app);

// Once per frame: finished loads, the project's own video, the Session's stored
// read, and the video frame in step with the playhead.
void tickPicture(AppState& app);

}  // namespace vn
