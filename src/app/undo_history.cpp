#include "app/undo_history.h"

#include <utility>

namespace vn {
namespace {

size_t textBytes(const std::vector<std::string>& list) {
  size_t n = 0;
  for (const std::string& s : list) n += sizeof(std::string) + s.capacity();
  return n;
}

void trim(UndoHistory& history) {
  while (!history.undo.empty() &&
         (history.undo.size() > history.maxSteps || history.bytes > history.maxBytes)) {
    history.bytes -= history.undo.front().bytes;
    history.undo.pop_front();
  }
}

void push(UndoHistory& history, std::deque<UndoStep>& stack, std::string label, Session session) {
  UndoStep step{std::move(label), std::move(session), 0};
  step.bytes = approximateSessionBytes(step.session);
  history.bytes += step.bytes;
  stack.push_back(std::move(step));
}

bool move(UndoHistory& history, std::deque<UndoStep>& from, std::deque<UndoStep>& to, Session& session,
          std::string* label) {
  if (from.empty()) return false;
  UndoStep step = std::move(from.back());
  from.pop_back();
  history.bytes -= step.bytes;
  if (label) *label = step.label;
  // The list of missing files describes the disk, not the document: it stays as it is.
  std::vector<std::string> missing = session.missingFiles;
  push(history, to, step.label, std::move(session));
  session = std::move(step.session);
  session.missingFiles = std::move(missing);
  session.dirty = true;
  trim(history);
  return true;
}

}  // namespace

size_t approximateSessionBytes(const Session& session) {
  size_t n = sizeof(Session);
  for (const Event& e : session.events)
    n += sizeof(Event) + e.keywords.capacity() + textBytes(e.pinnedFiles) + textBytes(e.pinnedFileIds) +
         e.bounceSource.size() * sizeof(Event);
  for (const Layer& l : session.results)
    n += sizeof(Layer) + l.name.capacity() + l.filepath.capacity() + l.fillChunks.size() * sizeof(FillChunk);
  n += session.scenes.size() * sizeof(Scene) + session.userShapes.size() * sizeof(UserShape);
  n += textBytes(session.bannedFiles) + textBytes(session.bannedFileIds) + textBytes(session.libraryPaths);
  n += session.traceSummary.frames.size() * sizeof(StoredFrameRow) +
       session.traceSummary.events.size() * sizeof(SuggestedEvent);
  return n;
}

void recordUndo(UndoHistory& history, const Session& current, std::string label) {
  for (const UndoStep& step : history.redo) history.bytes -= step.bytes;
  history.redo.clear();
  push(history, history.undo, std::move(label), current);
  trim(history);
}

bool undoStep(UndoHistory& history, Session& session, std::string* label) {
  return move(history, history.undo, history.redo, session, label);
}

bool redoStep(UndoHistory& history, Session& session, std::string* label) {
  return move(history, history.redo, history.undo, session, label);
}

void clearHistory(UndoHistory& history) {
  history.undo.clear();
  history.redo.clear();
  history.bytes = 0;
}

}  // namespace vn
