#pragma once
// A mouse gesture in progress on the timeline.
#include <vector>

namespace vn {

enum class DragKind { None, Scrub, Move, StartEdge, EndEdge, Draw, Marquee, PaintCurve, ScrollBar };

struct TimelineDrag {
  DragKind kind = DragKind::None;
  int event = -1;
  std::vector<int> events;  // the events a move carries
  double startTime = 0.0;   // timeline seconds under the mouse when the drag began
  float startY = 0.0f;      // row coordinates
  float applied = 0.0f;     // seconds moved so far
  bool recorded = false;    // the undo step of this drag has been taken
  float lastPos = -1.0f;    // curve painting: the previous point (position 0..1, value 0..1)
  float lastValue = 0.0f;
  double scrollAnchor = 0.0;
};

inline bool dragging(const TimelineDrag& drag) { return drag.kind != DragKind::None; }

}  // namespace vn
