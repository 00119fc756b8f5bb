#include "app/timeline_layout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vn {
namespace {

float startOf(const Event& event) { return std::isfinite(event.time) ? event.time : 0.0f; }

// Seconds that the event and its layers cover, so that a layer's tail never runs under
// the next event of the row.
double extentEnd(const Session& session, const std::vector<int>& layers, const Event& event) {
  double end = startOf(event) + std::max(event.duration, 0.0f);
  for (int li : layers) {
    const Layer& layer = session.results[li];
    end = std::max(end, double(layer.startTime + layer.deconOffset + std::max(layer.duration, 0.0f)));
  }
  return std::isfinite(end) ? end : startOf(event);
}

}  // namespace

TimelineLayout layoutTimeline(const Session& session, const TimelineMetrics& metrics, bool withLayers) {
  TimelineLayout layout;
  const int count = static_cast<int>(session.events.size());
  layout.eventRow.assign(count, 0);
  layout.eventLayers.assign(count, {});
  for (int li = 0; withLayers && li < static_cast<int>(session.results.size()); ++li) {
    int e = session.results[li].eventIdx;
    if (e >= 0 && e < count) layout.eventLayers[e].push_back(li);
  }

  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return startOf(session.events[a]) < startOf(session.events[b]);
  });

  std::vector<double> rowEnd;   // end of the last extent placed in each row
  std::vector<size_t> rowLanes;  // most layers of an event in each row
  for (int e : order) {
    const Event& event = session.events[e];
    size_t row = 0;
    while (row < rowEnd.size() && rowEnd[row] > startOf(event) + 1e-6) ++row;
    if (row == rowEnd.size()) {
      rowEnd.push_back(0.0);
      rowLanes.push_back(0);
    }
    rowEnd[row] = extentEnd(session, layout.eventLayers[e], event);
    rowLanes[row] = std::max(rowLanes[row], layout.eventLayers[e].size());
    layout.eventRow[e] = static_cast<int>(row);
  }

  float y = 0.0f;
  for (size_t lanes : rowLanes) {
    float height = metrics.eventHeight + static_cast<float>(lanes) * metrics.laneHeight;
    layout.rows.push_back({y, height});
    y += height + metrics.rowGap;
  }
  layout.totalHeight = y;
  return layout;
}

}  // namespace vn
