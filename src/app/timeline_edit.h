#pragma once
// What the mouse touches on the timeline, and which events a rubber band meets.
#include <vector>

#include "app/timeline_layout.h"
#include "app/timeline_view.h"
#include "core/session.h"

namespace vn {

enum class TimelinePart { None, Body, StartEdge, EndEdge, Layer };

struct TimelineHit {
  TimelinePart part = TimelinePart::None;
  int event = -1;
  int layer = -1;  // index into the Session's results, for TimelinePart::Layer
};

// x is measured from the left of the track area, y from the top of the first row.
// Edges are the outer edgePixels of a block (at most a third of its width each).
TimelineHit hitTestTimeline(const Session& session, const TimelineLayout& layout, const TimelineMetrics& metrics,
                            const TimelineView& view, float x, float y, float edgePixels);

// Events whose block meets the rectangle [t0, t1] x [y0, y1] (timeline seconds, row
// coordinates).
std::vector<int> eventsInRect(const Session& session, const TimelineLayout& layout, const TimelineMetrics& metrics,
                              double t0, double t1, float y0, float y1);

}  // namespace vn
