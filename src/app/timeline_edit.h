#pragma once
// What the mouse touches on the timeline, and the edits a drag makes: moving events
// with their layers, moving an event's start or end, painting a curve.
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

// Moves the events and their layers by delta seconds; the earliest event stops at 0.
// Returns the delta applied.
float moveEvents(Session& session, const std::vector<int>& events, float delta);

constexpr float kShortestEvent = 0.05f;
// Moves the start of an event keeping its end; the layers stay where they are.
void setEventStart(Session& session, int event, float newStart);
// Moves the end of an event keeping its start; at most maxEventDuration long.
void setEventEnd(Session& session, int event, float newEnd);

// Paints a curve by a straight stroke between two points (positions and values 0..1),
// filling every point in between so a fast drag leaves no gaps.
void paintCurve(Curve& curve, float fromPos, float fromValue, float toPos, float toValue);

// Events whose block meets the rectangle [t0, t1] x [y0, y1] (timeline seconds, row
// coordinates).
std::vector<int> eventsInRect(const Session& session, const TimelineLayout& layout, const TimelineMetrics& metrics,
                              double t0, double t1, float y0, float y1);

}  // namespace vn
