#include "app/timeline_view.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vn {

void zoomAround(TimelineView& view, double factor, double anchorTime) {
  const double pps = std::clamp(view.pixelsPerSecond * factor, kMinPixelsPerSecond, kMaxPixelsPerSecond);
  const double anchorX = (anchorTime - view.leftTime) * view.pixelsPerSecond;
  view.pixelsPerSecond = pps;
  view.leftTime = anchorTime - anchorX / pps;
}

void zoomToFit(TimelineView& view, double duration) {
  duration = std::max(duration, 1.0);
  view.pixelsPerSecond =
      std::clamp(view.width / (duration * 1.02), kMinPixelsPerSecond, kMaxPixelsPerSecond);
  view.leftTime = 0.0;
}

void keepInView(TimelineView& view, double seconds) {
  const double visible = visibleSeconds(view);
  if (seconds >= view.leftTime && seconds <= view.leftTime + visible) return;
  view.leftTime = std::max(0.0, seconds - 0.05 * visible);
}

void clampScroll(TimelineView& view, double duration) {
  const double latest = std::max(0.0, duration - visibleSeconds(view) * 0.9);
  view.leftTime = std::clamp(view.leftTime, 0.0, latest);
}

RulerSpacing rulerSpacing(double pixelsPerSecond, double fps, float minLabelPixels) {
  const double frame = 1.0 / std::max(std::floor(fps), 1.0);
  const double wanted = minLabelPixels / pixelsPerSecond;
  // Major and minor steps in frames below a second, in seconds from there on.
  struct Step {
    double major, minor;
  };
  const std::array<Step, 4> frameSteps{{{1, 1}, {2, 1}, {5, 1}, {10, 2}}};
  for (const Step& s : frameSteps)
    if (s.major * frame >= wanted && s.major * frame < 1.0) return {s.major * frame, s.minor * frame};
  const std::array<Step, 12> secondSteps{{{1, 0}, {2, 1}, {5, 1}, {10, 2}, {15, 5}, {30, 10}, {60, 10},
                                          {120, 30}, {300, 60}, {600, 120}, {1800, 300}, {3600, 600}}};
  for (const Step& s : secondSteps) {
    if (s.major < wanted) continue;
    // A second is split into quarters rounded to whole frames.
    const double minor = s.minor > 0 ? s.minor : std::max(1.0, std::floor(1.0 / frame / 4.0)) * frame;
    return {s.major, minor};
  }
  return {secondSteps.back().major, secondSteps.back().minor};
}

}  // namespace vn
