#include "app/timeline_edit.h"

#include <algorithm>
#include <cmath>

namespace vn {

TimelineHit hitTestTimeline(const Session& session, const TimelineLayout& layout, const TimelineMetrics& metrics,
                            const TimelineView& view, float x, float y, float edgePixels) {
  TimelineHit hit;
  for (int e = 0; e < static_cast<int>(session.events.size()); ++e) {
    const TimelineRow& row = layout.rows[layout.eventRow[e]];
    if (y < row.y || y >= row.y + row.height) continue;
    const Event& event = session.events[e];
    const float x0 = timeToX(view, event.time);
    const float x1 = std::max(timeToX(view, double(event.time) + event.duration), x0 + 2.0f);
    if (y < row.y + metrics.eventHeight) {
      if (x < x0 || x > x1) continue;
      const float edge = std::min(edgePixels, (x1 - x0) / 3.0f);
      hit.event = e;
      hit.part = x - x0 < edge ? TimelinePart::StartEdge : x1 - x < edge ? TimelinePart::EndEdge : TimelinePart::Body;
      return hit;
    }
    const int lane = static_cast<int>((y - row.y - metrics.eventHeight) / metrics.laneHeight);
    const std::vector<int>& layers = layout.eventLayers[e];
    if (lane < 0 || lane >= static_cast<int>(layers.size())) continue;
    const Layer& layer = session.results[layers[lane]];
    const double start = double(layer.startTime) + layer.deconOffset;
    if (x < timeToX(view, start) || x > timeToX(view, start + layer.duration)) continue;
    return {TimelinePart::Layer, e, layers[lane]};
  }
  return hit;
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
  return delta;
}

void setEventStart(Session& session, int event, float newStart) {
  if (event < 0 || event >= static_cast<int>(session.events.size()) || !std::isfinite(newStart)) return;
  Event& e = session.events[event];
  const float end = e.time + e.duration;
  const float longest = std::max(session.settings.maxEventDuration, kShortestEvent);
  newStart = std::clamp(newStart, std::max(0.0f, end - longest), end - kShortestEvent);
  e.time = newStart;
  e.duration = end - newStart;
}

void setEventEnd(Session& session, int event, float newEnd) {
  if (event < 0 || event >= static_cast<int>(session.events.size()) || !std::isfinite(newEnd)) return;
  Event& e = session.events[event];
  const float longest = std::max(session.settings.maxEventDuration, kShortestEvent);
  e.duration = std::clamp(newEnd - e.time, kShortestEvent, longest);
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

std::vector<int> eventsInRect(const Session& session, const TimelineLayout& layout, const TimelineMetrics& metrics,
                              double t0, double t1, float y0, float y1) {
  if (t0 > t1) std::swap(t0, t1);
  if (y0 > y1) std::swap(y0, y1);
  std::vector<int> out;
  for (int e = 0; e < static_cast<int>(session.events.size()); ++e) {
    const Event& event = session.events[e];
    const TimelineRow& row = layout.rows[layout.eventRow[e]];
    const bool timeMeets = event.time <= t1 && event.time + event.duration >= t0;
    const bool rowMeets = row.y <= y1 && row.y + metrics.eventHeight >= y0;
    if (timeMeets && rowMeets) out.push_back(e);
  }
  return out;
}

}  // namespace vn
