#pragma once
// The edits the Edit and Composition menus, the timeline and the inspector make to the
// Session. Each one records an undo step first.
#include <string>

#include "app/app_state.h"

namespace vn {

// False while a background job holds the Session; edits must then wait.
bool sessionBusy(const AppState& app);

// Records an undo step and marks the Session dirty; false (with a status text) when the
// Session cannot be edited now.
bool beginEdit(AppState& app, const char* label);

// A new event of the shape at the time, selected; returns its index or -1.
int createEvent(AppState& app, ShapeType shape, double time, double duration);

void selectAll(AppState& app);
void deleteSelection(AppState& app);
void copySelection(AppState& app);
void cutSelection(AppState& app);
// Pastes the copied events with their spacing, the earliest at the playhead.
void pasteClipboard(AppState& app);

// Puts the selected events into a new Group ("Group 1", "Group 2", ...).
void groupSelection(AppState& app);
// Dissolves every Group that a selected event belongs to.
void ungroupSelection(AppState& app);
// Locks the selection when any selected event is unlocked, else unlocks it; Clip and
// Bed events stay locked.
void toggleLockSelection(AppState& app);
void toggleMuteSelection(AppState& app);

void setEventKeywords(AppState& app, int eventIdx, const std::string& keywords);

void setInPoint(AppState& app);
void setOutPoint(AppState& app);
void clearWorkArea(AppState& app);
// A Scene over the work area, or over the selected events when no work area is set.
void saveScene(AppState& app);

}  // namespace vn
