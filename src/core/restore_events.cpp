#include "core/restore_events.h"

#include <unordered_map>

#include "core/session_edit.h"
#include "platform/text.h"

namespace vn {

RestoreCounts addRestoredEvents(Session& session, std::vector<Event> events, std::vector<Layer> layers) {
  RestoreCounts counts;
  const int base = static_cast<int>(session.events.size());
  const int given = static_cast<int>(events.size());
  for (Event& e : events) {
    e.locked = true;
    session.events.push_back(std::move(e));
  }
  counts.events = given;
  uint32_t nextId = nextLayerId(session);
  std::unordered_map<int, int> newIds;  // stored id -> id in the Session
  std::vector<Layer> kept;
  for (Layer& l : layers) {
    if (l.eventIdx < 0 || l.eventIdx >= given) continue;
    newIds[static_cast<int>(l.id)] = static_cast<int>(nextId);
    l.id = nextId++;
    l.eventIdx += base;
    kept.push_back(std::move(l));
  }
  counts.layers = static_cast<int>(kept.size());
  for (Layer& l : kept) {
    if (l.foldTarget >= 0) {
      auto it = newIds.find(l.foldTarget);
      l.foldTarget = it == newIds.end() ? -1 : it->second;
    }
    session.results.push_back(std::move(l));
  }
  if (counts.events > 0 || counts.layers > 0) markDirty(session);
  return counts;
}

std::string restoredText(const RestoreCounts& counts) {
  return format("Restored %d event%s / %d layer%s, locked", counts.events, plural(counts.events), counts.layers,
                plural(counts.layers));
}

}  // namespace vn
