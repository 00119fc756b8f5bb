#pragma once
// Undo and redo of session edits by whole snapshots: simple, and always right however
// an edit reached into the Session. The history is bounded by step count and by an
// estimate of the memory the snapshots hold.
#include <cstddef>
#include <deque>
#include <string>

#include "core/session.h"

namespace vn {

struct UndoStep {
  std::string label;  // what the edit was, for the menu and the status line
  Session session;    // the Session as it was before the edit (undo) or after it (redo)
  size_t bytes = 0;
};

struct UndoHistory {
  std::deque<UndoStep> undo;  // newest at the back
  std::deque<UndoStep> redo;
  size_t bytes = 0;
  size_t maxSteps = 200;
  size_t maxBytes = size_t(512) << 20;
};

// A rough size of one snapshot of the Session.
size_t approximateSessionBytes(const Session& session);

// Call before changing the Session: keeps its present state as the step to go back to
// and forgets what could have been redone.
void recordUndo(UndoHistory& history, const Session& current, std::string label);

// Puts the Session back one step (forward for redo); false when there is nothing to do.
// The label of the step taken is written to label when given.
bool undoStep(UndoHistory& history, Session& session, std::string* label = nullptr);
bool redoStep(UndoHistory& history, Session& session, std::string* label = nullptr);

void clearHistory(UndoHistory& history);

}  // namespace vn
