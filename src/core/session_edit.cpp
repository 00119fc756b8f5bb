#include "core/session_edit.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "core/shared_settings.h"
#include "core/text_field.h"
#include "core/track_layout.h"
#include "platform/text.h"

namespace vn {
namespace {

std::string unusedName(const std::set<std::string>& taken, const char* stem, size_t capacity) {
  for (int n = 1;; ++n) {
    std::string name = cutText(format("%s %d", stem, n), capacity);
    if (!taken.count(name)) return name;
  }
}

}  // namespace

void markDirty(Session& session) { session.dirty = true; }

uint32_t nextLayerId(const Session& session) {
  uint32_t largest = 0;
  for (const Layer& l : session.results) largest = std::max(largest, l.id);
  return largest + 1;
}

int addEvent(Session& session, Event event) {
  session.events.push_back(std::move(event));
  markDirty(session);
  return static_cast<int>(session.events.size()) - 1;
}

void deleteEvents(Session& session, std::vector<int> positions) {
  const int count = static_cast<int>(session.events.size());
  std::vector<bool> removed(static_cast<size_t>(count), false);
  for (int p : positions)
    if (p >= 0 && p < count) removed[static_cast<size_t>(p)] = true;
  // shift[i]: how many removed events precede event i.
  std::vector<int> shift(static_cast<size_t>(count), 0);
  for (int i = 1; i < count; ++i) shift[i] = shift[i - 1] + (removed[i - 1] ? 1 : 0);

  std::vector<uint32_t> goneLayers;
  for (const Layer& l : session.results)
    if (l.eventIdx >= 0 && l.eventIdx < count && removed[static_cast<size_t>(l.eventIdx)]) goneLayers.push_back(l.id);
  deleteLayers(session, goneLayers);
  for (Layer& l : session.results)
    if (l.eventIdx >= 0 && l.eventIdx < count) l.eventIdx -= shift[static_cast<size_t>(l.eventIdx)];

  std::vector<Event> kept;
  kept.reserve(session.events.size());
  for (int i = 0; i < count; ++i)
    if (!removed[static_cast<size_t>(i)]) kept.push_back(std::move(session.events[static_cast<size_t>(i)]));
  session.events = std::move(kept);
  pruneLinkedGroups(session);
  markDirty(session);
}

bool reorderEvents(Session& session, const std::vector<int>& newOrder) {
  const size_t count = session.events.size();
  if (newOrder.size() != count) return false;
  std::vector<int> newPosition(count, -1);
  for (size_t i = 0; i < count; ++i) {
    int from = newOrder[i];
    if (from < 0 || static_cast<size_t>(from) >= count || newPosition[static_cast<size_t>(from)] >= 0) return false;
    newPosition[static_cast<size_t>(from)] = static_cast<int>(i);
  }
  std::vector<Event> reordered;
  reordered.reserve(count);
  for (int from : newOrder) reordered.push_back(std::move(session.events[static_cast<size_t>(from)]));
  session.events = std::move(reordered);
  for (Layer& l : session.results)
    if (l.eventIdx >= 0 && static_cast<size_t>(l.eventIdx) < count) l.eventIdx = newPosition[static_cast<size_t>(l.eventIdx)];
  markDirty(session);
  return true;
}

bool moveEvent(Session& session, int from, int to) {
  const int count = static_cast<int>(session.events.size());
  if (from < 0 || from >= count || to < 0 || to >= count) return false;
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  order.erase(order.begin() + from);
  order.insert(order.begin() + to, from);
  return reorderEvents(session, order);
}

void sortEventsByTime(Session& session) {
  std::vector<int> order(session.events.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return session.events[static_cast<size_t>(a)].time < session.events[static_cast<size_t>(b)].time;
  });
  reorderEvents(session, order);
}

void replaceTrackLayout(Session& session, const TrackLayout& layout) {
  session.trackLayout = layout;
  for (Event& e : session.events)
    if (e.groupOverride >= 0 && busPositionOfId(layout, e.groupOverride) < 0) e.groupOverride = -1;
  markDirty(session);
}

void replaceEventLayers(Session& session, int eventIdx, std::vector<Layer> layers) {
  std::vector<uint32_t> old;
  for (const Layer& l : session.results)
    if (l.eventIdx == eventIdx) old.push_back(l.id);
  std::set<uint32_t> incoming;
  for (const Layer& l : layers) incoming.insert(l.id);
  // A rebuilt layer may keep its id; only folds into layers that are really gone are released.
  old.erase(std::remove_if(old.begin(), old.end(), [&](uint32_t id) { return incoming.count(id) > 0; }), old.end());
  deleteLayers(session, old);
  session.results.erase(std::remove_if(session.results.begin(), session.results.end(),
                                       [&](const Layer& l) { return l.eventIdx == eventIdx; }),
                        session.results.end());
  for (Layer& l : layers) {
    l.eventIdx = eventIdx;
    session.results.push_back(std::move(l));
  }
  markDirty(session);
}

void deleteLayers(Session& session, const std::vector<uint32_t>& layerIds) {
  if (layerIds.empty()) return;
  std::set<uint32_t> gone(layerIds.begin(), layerIds.end());
  session.results.erase(std::remove_if(session.results.begin(), session.results.end(),
                                       [&](const Layer& l) { return gone.count(l.id) > 0; }),
                        session.results.end());
  for (Layer& l : session.results)
    if (l.foldTarget >= 0 && gone.count(static_cast<uint32_t>(l.foldTarget))) l.foldTarget = -1;
  markDirty(session);
}

int addScene(Session& session, float inTime, float outTime) {
  std::set<std::string> taken;
  for (const Scene& scene : session.scenes) taken.insert(scene.name);
  Scene scene;
  scene.name = unusedName(taken, "Scene", cap::kSceneName);
  scene.inTime = inTime;
  scene.outTime = outTime;
  session.scenes.push_back(std::move(scene));
  markDirty(session);
  return static_cast<int>(session.scenes.size()) - 1;
}

void deleteScene(Session& session, int sceneIdx) {
  if (sceneIdx < 0 || sceneIdx >= static_cast<int>(session.scenes.size())) return;
  session.scenes.erase(session.scenes.begin() + sceneIdx);
  for (Event& e : session.events) {
    if (e.sceneLink == sceneIdx)
      e.sceneLink = -1;
    else if (e.sceneLink > sceneIdx)
      --e.sceneLink;
  }
  markDirty(session);
}

void renameGroup(Session& session, const std::string& from, const std::string& to) {
  if (from.empty() || from == to) return;
  const std::string name = cutText(to, cap::kFolder);
  for (Event& e : session.events)
    if (e.folder == from) e.folder = name;
  if (session.linkedGroups.erase(from) > 0 && !name.empty()) session.linkedGroups.insert(name);
  markDirty(session);
}

void ungroup(Session& session, const std::string& name) { renameGroup(session, name, ""); }

std::string groupEvents(Session& session, const std::vector<int>& events) {
  std::set<std::string> taken;
  for (const Event& e : session.events)
    if (!e.folder.empty()) taken.insert(e.folder);
  const std::string name = unusedName(taken, "Group", cap::kFolder);
  for (int e : events)
    if (e >= 0 && e < static_cast<int>(session.events.size())) session.events[e].folder = name;
  pruneLinkedGroups(session);
  markDirty(session);
  return name;
}

void pruneLinkedGroups(Session& session) {
  std::set<std::string> used;
  for (const Event& e : session.events)
    if (!e.folder.empty()) used.insert(e.folder);
  std::erase_if(session.linkedGroups, [&](const std::string& name) { return used.count(name) == 0; });
}

bool hasWorkArea(const Session& session) {
  return session.workAreaIn >= 0 && session.workAreaOut > session.workAreaIn;
}

void setWorkAreaIn(Session& session, float time) {
  session.workAreaIn = time;
  if (session.workAreaOut >= 0 && session.workAreaOut <= time) session.workAreaOut = -1.0f;
  markDirty(session);
}

void setWorkAreaOut(Session& session, float time) {
  session.workAreaOut = time;
  if (session.workAreaIn >= time) session.workAreaIn = -1.0f;
  markDirty(session);
}

void clearWorkArea(Session& session) {
  session.workAreaIn = session.workAreaOut = -1.0f;
  markDirty(session);
}

void clearSession(Session& session) {
  const ProjectSettings kept = session.settings;
  session = Session{};
  copySharedSettings(kept, session.settings);
}

}  // namespace vn
