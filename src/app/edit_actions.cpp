#include "app/edit_actions.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "core/session_edit.h"
#include "core/text_field.h"
#include "platform/log.h"

namespace vn {
namespace {

bool alwaysLocked(const Event& event) { return event.shape == ShapeType::Clip || event.shape == ShapeType::Bed; }

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

std::string unusedName(const std::set<std::string>& taken, const char* stem) {
  for (int n = 1;; ++n) {
    std::string name = format("%s %d", stem, n);
    if (!taken.count(name)) return name;
  }
}

float clampedDuration(const AppState& app, double duration) {
  const float longest = std::max(app.session.settings.maxEventDuration, 0.1f);
  return static_cast<float>(std::clamp(duration, 0.05, double(longest)));
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

float defaultDuration(ShapeType shape) {
  switch (shape) {
    case ShapeType::Bloom: return 2.0f;
    case ShapeType::Contour: return 3.0f;
    case ShapeType::Fill: return 8.0f;
    default: return 1.0f;
  }
}

int createEvent(AppState& app, ShapeType shape, double time, double duration) {
  if (!beginEdit(app, "Create event")) return -1;
  Event event;
  event.shape = shape;
  event.time = static_cast<float>(std::max(0.0, time));
  event.duration = clampedDuration(app, duration);
  event.locked = alwaysLocked(event);
  const int index = addEvent(app.session, std::move(event));
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
  setStatus(app, format("Deleted %zu event%s", doomed.size(), doomed.size() == 1 ? "" : "s"));
}

void copySelection(AppState& app) {
  if (!needSelection(app)) return;
  app.clipboard.clear();
  for (int e : selectedIndices(app)) app.clipboard.push_back(app.session.events[e]);
  setStatus(app, format("Copied %zu event%s", app.clipboard.size(), app.clipboard.size() == 1 ? "" : "s"));
}

void cutSelection(AppState& app) {
  if (!needSelection(app)) return;
  copySelection(app);
  deleteSelection(app);
}

void pasteClipboard(AppState& app) {
  if (app.clipboard.empty() || !beginEdit(app, "Paste")) return;
  float earliest = app.clipboard.front().time;
  for (const Event& e : app.clipboard) earliest = std::min(earliest, e.time);
  app.selection.events.clear();
  for (Event event : app.clipboard) {
    event.time = static_cast<float>(app.playhead) + (event.time - earliest);
    event.sceneLink = -1;
    const int index = addEvent(app.session, std::move(event));
    app.selection.events.insert(index);
    app.selection.primary = index;
  }
}

void groupSelection(AppState& app) {
  if (!needSelection(app) || !beginEdit(app, "Group")) return;
  std::set<std::string> taken;
  for (const Event& e : app.session.events)
    if (!e.folder.empty()) taken.insert(e.folder);
  const std::string name = unusedName(taken, "Group");
  for (int e : selectedIndices(app)) app.session.events[e].folder = cutText(name, cap::kFolder);
  pruneLinkedGroups(app.session);
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
  for (int e : chosen) {
    Event& event = app.session.events[e];
    event.locked = lock || alwaysLocked(event);
  }
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
  if (!beginEdit(app, "Set In Point")) return;
  Session& s = app.session;
  s.workAreaIn = static_cast<float>(app.playhead);
  if (s.workAreaOut >= 0 && s.workAreaOut <= s.workAreaIn) s.workAreaOut = -1.0f;
}

void setOutPoint(AppState& app) {
  if (!beginEdit(app, "Set Out Point")) return;
  Session& s = app.session;
  s.workAreaOut = static_cast<float>(app.playhead);
  if (s.workAreaIn >= s.workAreaOut) s.workAreaIn = -1.0f;
}

void clearWorkArea(AppState& app) {
  if (!beginEdit(app, "Clear Work Area")) return;
  app.session.workAreaIn = app.session.workAreaOut = -1.0f;
}

void saveScene(AppState& app) {
  const Session& s = app.session;
  float in = s.workAreaIn, out = s.workAreaOut;
  if (!(in >= 0 && out > in)) {
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
  std::set<std::string> taken;
  for (const Scene& scene : app.session.scenes) taken.insert(scene.name);
  Scene scene;
  scene.name = cutText(unusedName(taken, "Scene"), cap::kSceneName);
  scene.inTime = in;
  scene.outTime = out;
  app.session.scenes.push_back(scene);
  setStatus(app, "Saved " + scene.name);
}

}  // namespace vn
