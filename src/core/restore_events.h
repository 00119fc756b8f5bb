#pragma once
// Bringing back the events and layers that made a delivered file: they join the
// Session locked, at the times they had, so a later build leaves them as they were.
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

struct RestoreCounts {
  int events = 0;
  int layers = 0;
};

// Appends events (locked) and their layers. A layer's eventIdx is a position in
// events and its id and foldTarget the stored ids 1, 2, 3...; both are renumbered
// into the Session. Layers of no given event are left out.
RestoreCounts addRestoredEvents(Session& session, std::vector<Event> events, std::vector<Layer> layers);

// "Restored 2 events / 5 layers, locked".
std::string restoredText(const RestoreCounts& counts);

}  // namespace vn
