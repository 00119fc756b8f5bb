#include "app/timeline_edit.h"

#include <algorithm>

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
