#pragma once
// Where each event sits on the timeline: events are packed into rows so that none
// overlaps another, and each event's built layers hang beneath it as lanes, one lane
// per layer. A row is as tall as its event with the most layers.
#include <vector>

#include "core/session.h"

namespace vn {

struct TimelineMetrics {
  float eventHeight = 44.0f;
  float laneHeight = 18.0f;
  float rowGap = 6.0f;
};

struct TimelineRow {
  float y = 0.0f;
  float height = 0.0f;
};

struct TimelineLayout {
  std::vector<int> eventRow;                   // per event
  std::vector<std::vector<int>> eventLayers;   // per event: indices into the Session's results, in order
  std::vector<TimelineRow> rows;
  float totalHeight = 0.0f;
};

// Without layers (while a job is changing them) every event gets a bare row.
TimelineLayout layoutTimeline(const Session& session, const TimelineMetrics& metrics, bool withLayers = true);

}  // namespace vn
