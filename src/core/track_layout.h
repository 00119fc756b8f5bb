#pragma once
// Routing of events to busses: an event goes to the bus its groupOverride names,
// else to the home bus of its shape.
#include "core/session.h"

namespace vn {

// Position (0 .. busCount-1) of the bus whose busId is busId, or -1.
int busPositionOfId(const TrackLayout& layout, int busId);
// Position of the home bus of shape; the first bus when the home names no bus.
int homeBusPosition(const TrackLayout& layout, ShapeType shape);
// Position of the bus the event is routed to.
int eventBusPosition(const TrackLayout& layout, const Event& event);
// The largest busId in use plus one (saturating).
int nextFreeBusId(const TrackLayout& layout);

}  // namespace vn
