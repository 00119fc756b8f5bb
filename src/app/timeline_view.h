#pragma once
// The visible stretch of the timeline: how many pixels a second takes and which time
// sits at the left edge, and the spacing of the ruler's marks.
namespace vn {

struct TimelineView {
  double pixelsPerSecond = 40.0;
  double leftTime = 0.0;  // seconds at the left edge of the track area
  float width = 800.0f;   // pixels of the track area
};

constexpr double kMinPixelsPerSecond = 0.5;
constexpr double kMaxPixelsPerSecond = 4000.0;

inline float timeToX(const TimelineView& view, double seconds) {
  return static_cast<float>((seconds - view.leftTime) * view.pixelsPerSecond);
}
inline double xToTime(const TimelineView& view, float x) { return view.leftTime + x / view.pixelsPerSecond; }
inline double visibleSeconds(const TimelineView& view) { return view.width / view.pixelsPerSecond; }

// Zooms by factor keeping the time at anchorTime where it is on screen.
void zoomAround(TimelineView& view, double factor, double anchorTime);
// Shows the whole of [0, duration] with a small margin.
void zoomToFit(TimelineView& view, double duration);
// Pages the view so that seconds is on screen, a little in from the left edge,
// when it is not already.
void keepInView(TimelineView& view, double seconds);
// Keeps leftTime inside [0, duration - visible] (or 0 when everything fits).
void clampScroll(TimelineView& view, double duration);

// Ruler marks: labelled major marks every majorSeconds, minor ones every minorSeconds.
// Steps are whole frames below a second and whole seconds above, so that every mark
// falls on a timecode.
struct RulerSpacing {
  double majorSeconds;
  double minorSeconds;
};
RulerSpacing rulerSpacing(double pixelsPerSecond, double fps, float minLabelPixels);

}  // namespace vn
