#include "app/edit_actions.h"

#include <algorithm>
#include <set>

#include "core/event_edit.h"
#include "core/session_edit.h"
#include "core/text_field.h"
#include "platform/text.h"

namespace vn {
namespace {

std::vector<int> selectedIndices(const AppState& app) {
  std::vector<int> out;
  for (int e : app.selection.events)
    if (e >= 0 && e < static_cast<int>(app.session.events.size())) out.push_back(e);
  return out;
}

bool needSelection(AppState& app) {
  if (!selectedIndices(app).empty()) return true;
  setStatus(app, "Select an event first");
  return false;
}

}  // namespace

bool sessionBusy(const AppState& app) { return app.render.busy.load(); }

bool beginEdit(AppState& app, const char* label) {
  if (sessionBusy(app)) {
    setStatus(app, "Wait for the build to finish");
    return false;
  }
  recordUndo(app.history, app.session, label);
  markDirty(app.session);
  return true;
}

int createEvent(AppState& app, ShapeType shape, double time, double duration) {
  if (!beginEdit(app, "Create event")) return -1;
  const int index = addEvent(app.session, makeEvent(app.session.settings, shape, time, duration));
  selectOnly(app.selection, index);
  setStatus(app, format("Created %s at %.2f s", shapeName(shape), time));
  return index;
}

void selectAll(AppState& app) {
  app.selection.events.clear();
  for (int e = 0; e < static_cast<int>(app.session.events.size()); ++e) app.selection.events.insert(e);
  app.selection.primary = app.session.events.empty() ? -1 : 0;
}

void deleteSelection(AppState& app) {
  if (!needSelection(app) || !beginEdit(app, "Delete")) return;
  const std::vector<int> doomed = selectedIndices(app);
  deleteEvents(app.session, doomed);
  selectOnly(app.selection, -1);
  setStatus(app, format("Deleted %zu event%s", doomed.size(), plural(doomed.size())));
}

void copySelection(AppState& app) {
  if (!needSelection(app)) return;
  app.clipboard.clear();
  for (int e : selectedIndices(app)) app.clipboard.push_back(app.session.events[e]);
  setStatus(app, format("Copied %zu event%s", app.clipboard.size(), plural(app.clipboard.size())));
}

void cutSelection(AppState& app) {
  if (!needSelection(app)) return;
  copySelection(app);
  deleteSelection(app);
}

void pasteClipboard(AppState& app) {
  if (app.clipboard.empty() || !beginEdit(app, "Paste")) return;
  app.selection.events.clear();
  for (int index : pasteEvents(app.session, app.clipboard, static_cast<float>(app.playhead))) {
    app.selection.events.insert(index);
    app.selection.primary = index;
  }
}

void groupSelection(AppState& app) {
  if (!needSelection(app) || !beginEdit(app, "Group")) return;
  const std::string name = groupEvents(app.session, selectedIndices(app));
  setStatus(app, "Grouped as " + name);
}

void ungroupSelection(AppState& app) {
  std::set<std::string> names;
  for (int e : selectedIndices(app))
    if (!app.session.events[e].folder.empty()) names.insert(app.session.events[e].folder);
  if (names.empty()) {
    setStatus(app, "The selection is not grouped");
    return;
  }
  if (!beginEdit(app, "Ungroup")) return;
  for (const std::string& name : names) ungroup(app.session, name);
}

void toggleLockSelection(AppState& app) {
  if (!needSelection(app) || !beginEdit(app, "Lock / Unlock")) return;
  const std::vector<int> chosen = selectedIndices(app);
  const bool lock = std::any_of(chosen.begin(), chosen.end(), [&](int e) { return !app.session.events[e].locked; });
  setEventsLocked(app.session, chosen, lock);
  setStatus(app, lock ? "Locked (protected from rebuilding)" : "Unlocked");
}

void toggleMuteSelection(AppState& app) {
  if (!needSelection(app) || !beginEdit(app, "Mute / Unmute")) return;
  const std::vector<int> chosen = selectedIndices(app);
  const bool mute = std::any_of(chosen.begin(), chosen.end(), [&](int e) { return !app.session.events[e].muted; });
  for (int e : chosen) app.session.events[e].muted = mute;
  setStatus(app, mute ? "Muted" : "Unmuted");
}

void setEventKeywords(AppState& app, int eventIdx, const std::string& keywords) {
  if (eventIdx < 0 || eventIdx >= static_cast<int>(app.session.events.size())) return;
  const std::string cut = cutText(keywords, cap::kEventKeywords);
  if (app.session.events[eventIdx].keywords == cut || !beginEdit(app, "Edit keywords")) return;
  app.session.events[eventIdx].keywords = cut;
}

void setInPoint(AppState& app) {
  if (beginEdit(app, "Set In Point")) setWorkAreaIn(app.session, static_cast<float>(app.playhead));
}

void setOutPoint(AppState& app) {
  if (beginEdit(app, "Set Out Point")) setWorkAreaOut(app.session, static_cast<float>(app.playhead));
}

void clearWorkArea(AppState& app) {
  if (beginEdit(app, "Clear Work Area")) clearWorkArea(app.session);
}

void saveScene(AppState& app) {
  const Session& s = app.session;
  float in = s.workAreaIn, out = s.workAreaOut;
  if (!hasWorkArea(s)) {
    const std::vector<int> chosen = selectedIndices(app);
    if (chosen.empty()) {
      setStatus(app, "Set a work area or select events first");
      return;
    }
    in = s.events[chosen.front()].time;
    out = in;
    for (int e : chosen) {
      in = std::min(in, s.events[e].time);
      out = std::max(out, s.events[e].time + s.events[e].duration);
    }
  }
  if (!beginEdit(app, "Save Scene")) return;
  const int scene = addScene(app.session, in, out);
  setStatus(app, "Saved " + app.session.scenes[scene].name);
}

}  // namespace vn
