#pragma once
// The window's side of the update check: "Check now", the once-a-day automatic check,
// and the offer's "View update" and "Dismiss".
namespace vn {

struct AppState;

// Starts a check on its own thread unless one is running; the time it started is kept
// at once, so the automatic trigger waits a day from here.
void checkForUpdatesNow(AppState& app);
// Once a frame: a finished check's outcome goes into the preferences (and they are
// flagged for writing), and an automatic check starts when it is allowed and due.
void tickUpdateCheck(AppState& app);
bool updateCheckRunning(const AppState& app);
// At exit: a check still out is stopped, and what it found is kept.
void finishUpdateCheck(AppState& app);
// Opens the offered release's page with the desktop's opener.
void viewUpdate(AppState& app);
// Hides the offered release until a later one comes.
void dismissUpdate(AppState& app);

}  // namespace vn
