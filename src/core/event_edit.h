#pragma once
// Edits of single events and of a set of events on the timeline: their place and
// length, their curves, their lock, new events and pasted copies. Lengths stay
// between the shortest event and the project's longest; no event starts before 0.
#include <vector>

#include "core/session.h"

namespace vn {

constexpr float kShortestEvent = 0.05f;

// The duration a new event of this shape starts with.
float defaultDuration(ShapeType shape);
// The project's longest event, never shorter than the shortest one.
float longestEventDuration(const ProjectSettings& settings);
float clampEventDuration(const ProjectSettings& settings, double duration);

// A new event of the shape at time (not before 0), its duration clamped; Clip and
// Bed start locked.
Event makeEvent(const ProjectSettings& settings, ShapeType shape, double time, double duration);
// Gives the event a new shape; a Clip or Bed becomes locked.
void setEventShape(Event& event, ShapeType shape);
// Locks or unlocks the events; Clip and Bed events stay locked.
void setEventsLocked(Session& session, const std::vector<int>& events, bool lock);

// Moves the events and their layers by delta seconds; the earliest event stops at 0.
// Returns the delta applied.
float moveEvents(Session& session, const std::vector<int>& events, float delta);
// Moves the start of an event keeping its end; the layers stay where they are.
void setEventStart(Session& session, int event, float newStart);
// Moves the end of an event keeping its start.
void setEventEnd(Session& session, int event, float newEnd);

// Paints a curve by a straight stroke between two points (positions and values 0..1),
// filling every point in between so a fast drag leaves no gaps.
void paintCurve(Curve& curve, float fromPos, float fromValue, float toPos, float toValue);

// Appends copies of the events keeping their spacing, the earliest at time; a copy is
// no scene's background. Returns the positions of the copies.
std::vector<int> pasteEvents(Session& session, const std::vector<Event>& copied, float time);

}  // namespace vn
