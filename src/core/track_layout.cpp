#include "core/track_layout.h"

#include <algorithm>
#include <limits>

namespace vn {

int busPositionOfId(const TrackLayout& layout, int busId) {
  const int count = std::clamp(layout.busCount, 0, kMaxBusses);
  for (int i = 0; i < count; ++i)
    if (layout.busses[static_cast<size_t>(i)].busId == busId) return i;
  return -1;
}

int homeBusPosition(const TrackLayout& layout, ShapeType shape) {
  const int value = static_cast<int>(shape);
  if (value < 0 || value >= kShapeCount) return 0;
  return std::max(busPositionOfId(layout, layout.shapeHome[static_cast<size_t>(value)]), 0);
}

int eventBusPosition(const TrackLayout& layout, const Event& event) {
  if (event.groupOverride >= 0) {
    int position = busPositionOfId(layout, event.groupOverride);
    if (position >= 0) return position;
  }
  return homeBusPosition(layout, event.shape);
}

int nextFreeBusId(const TrackLayout& layout) {
  int largest = -1;
  const int count = std::clamp(layout.busCount, 0, kMaxBusses);
  for (int i = 0; i < count; ++i) largest = std::max(largest, layout.busses[static_cast<size_t>(i)].busId);
  return largest == std::numeric_limits<int>::max() ? largest : largest + 1;
}

}  // namespace vn
