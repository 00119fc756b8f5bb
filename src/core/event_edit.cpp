#include "core/event_edit.h"

#include <algorithm>
#include <cmath>

#include "core/session_edit.h"

namespace vn {

float defaultDuration(ShapeType shape) {
  switch (shape) {
    case ShapeType::Bloom: return 2.0f;
    case ShapeType::Contour: return 3.0f;
    case ShapeType::Fill: return 8.0f;
    default: return 1.0f;
  }
}

float longestEventDuration(const ProjectSettings& settings) {
  return std::max(settings.maxEventDuration, kShortestEvent);
}

float clampEventDuration(const ProjectSettings& settings, double duration) {
  return static_cast<float>(std::clamp(duration, double(kShortestEvent), double(longestEventDuration(settings))));
}

Event makeEvent(const ProjectSettings& settings, ShapeType shape, double time, double duration) {
  Event event;
  event.time = static_cast<float>(std::max(0.0, time));
  event.duration = clampEventDuration(settings, duration);
  setEventShape(event, shape);
  return event;
}

void setEventShape(Event& event, ShapeType shape) {
  event.shape = shape;
  if (isAlwaysLocked(shape)) event.locked = true;
}

void setEventsLocked(Session& session, const std::vector<int>& events, bool lock) {
  for (int e : events) {
    if (e < 0 || e >= static_cast<int>(session.events.size())) continue;
    Event& event = session.events[e];
    event.locked = lock || isAlwaysLocked(event.shape);
  }
  markDirty(session);
}

float moveEvents(Session& session, const std::vector<int>& events, float delta) {
  const int count = static_cast<int>(session.events.size());
  std::vector<bool> moving(count, false);
  float earliest = INFINITY;
  for (int e : events) {
    if (e < 0 || e >= count) continue;
    moving[e] = true;
    earliest = std::min(earliest, session.events[e].time);
  }
  if (!std::isfinite(earliest) || !std::isfinite(delta)) return 0.0f;
  delta = std::max(delta, -earliest);
  for (int e = 0; e < count; ++e)
    if (moving[e]) session.events[e].time += delta;
  for (Layer& layer : session.results)
    if (layer.eventIdx >= 0 && layer.eventIdx < count && moving[layer.eventIdx]) layer.startTime += delta;
  markDirty(session);
  return delta;
}

void setEventStart(Session& session, int event, float newStart) {
  if (event < 0 || event >= static_cast<int>(session.events.size()) || !std::isfinite(newStart)) return;
  Event& e = session.events[event];
  const float end = e.time + e.duration;
  const float longest = longestEventDuration(session.settings);
  newStart = std::clamp(newStart, std::max(0.0f, end - longest), end - kShortestEvent);
  e.time = newStart;
  e.duration = end - newStart;
  markDirty(session);
}

void setEventEnd(Session& session, int event, float newEnd) {
  if (event < 0 || event >= static_cast<int>(session.events.size()) || !std::isfinite(newEnd)) return;
  Event& e = session.events[event];
  e.duration = clampEventDuration(session.settings, newEnd - e.time);
  markDirty(session);
}

void paintCurve(Curve& curve, float fromPos, float fromValue, float toPos, float toValue) {
  if (!std::isfinite(fromPos) || !std::isfinite(toPos) || !std::isfinite(fromValue) || !std::isfinite(toValue))
    return;
  const float last = static_cast<float>(kCurvePoints - 1);
  float a = std::clamp(fromPos, 0.0f, 1.0f) * last, b = std::clamp(toPos, 0.0f, 1.0f) * last;
  float va = std::clamp(fromValue, 0.0f, 1.0f), vb = std::clamp(toValue, 0.0f, 1.0f);
  if (a > b) {
    std::swap(a, b);
    std::swap(va, vb);
  }
  const int i0 = static_cast<int>(std::lround(a)), i1 = static_cast<int>(std::lround(b));
  for (int i = i0; i <= i1; ++i) {
    const float t = i1 == i0 ? 1.0f : float(i - i0) / float(i1 - i0);
    curve[i] = va + (vb - va) * t;
  }
}

std::vector<int> pasteEvents(Session& session, const std::vector<Event>& copied, float time) {
  std::vector<int> pasted;
  if (copied.empty()) return pasted;
  float earliest = copied.front().time;
  for (const Event& e : copied) earliest = std::min(earliest, e.time);
  for (Event event : copied) {
    event.time = time + (event.time - earliest);
    event.sceneLink = -1;
    pasted.push_back(addEvent(session, std::move(event)));
  }
  return pasted;
}

}  // namespace vn
