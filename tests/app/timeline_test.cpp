#include <gtest/gtest.h>

#include <cmath>

#include "app/timeline_edit.h"
#include "app/timeline_layout.h"
#include "app/timeline_view.h"

namespace vn {
namespace {

Event at(float time, float duration) {
  Event e;
  e.time = time;
  e.duration = duration;
  return e;
}

Layer layerOf(int event, float start, float duration) {
  Layer l;
  l.eventIdx = event;
  l.startTime = start;
  l.duration = duration;
  return l;
}

TEST(TimelineLayout, PacksEventsIntoRowsAndHangsTheirLayersBeneath) {
  Session s;
  s.events = {at(0, 2), at(1, 1), at(2.5f, 1), at(3.5f, 1)};
  // Event 0's second layer rings on to 3.0 s, past event 2's start.
  s.results = {layerOf(0, 0, 1), layerOf(0, 0.5f, 2.5f), layerOf(1, 1, 1), layerOf(9, 0, 1)};
  TimelineMetrics m;
  m.eventHeight = 40;
  m.laneHeight = 10;
  m.rowGap = 5;
  const TimelineLayout layout = layoutTimeline(s, m);
  EXPECT_EQ(layout.eventRow, (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(layout.eventLayers[0], (std::vector<int>{0, 1}));
  EXPECT_EQ(layout.eventLayers[1], (std::vector<int>{2}));
  ASSERT_EQ(layout.rows.size(), 2u);
  EXPECT_FLOAT_EQ(layout.rows[0].height, 60.0f);  // two lanes
  EXPECT_FLOAT_EQ(layout.rows[1].y, 65.0f);
  EXPECT_FLOAT_EQ(layout.rows[1].height, 50.0f);
  EXPECT_FLOAT_EQ(layout.totalHeight, 120.0f);

  Session hostile;
  hostile.events = {at(NAN, 1), at(1, NAN), at(INFINITY, 1)};
  EXPECT_EQ(layoutTimeline(hostile, m).eventRow.size(), 3u);
}

TEST(TimelineView, ZoomKeepsTheAnchorAndFitShowsEverything) {
  TimelineView v;
  v.width = 1000;
  v.pixelsPerSecond = 100;
  v.leftTime = 10;
  const float before = timeToX(v, 14.0);
  zoomAround(v, 2.0, 14.0);
  EXPECT_DOUBLE_EQ(v.pixelsPerSecond, 200.0);
  EXPECT_NEAR(timeToX(v, 14.0), before, 1e-3);
  zoomAround(v, 1e9, 14.0);
  EXPECT_DOUBLE_EQ(v.pixelsPerSecond, kMaxPixelsPerSecond);
  zoomToFit(v, 60.0);
  EXPECT_DOUBLE_EQ(v.leftTime, 0.0);
  EXPECT_LE(timeToX(v, 60.0), 1000.0f);
  EXPECT_GT(timeToX(v, 60.0), 950.0f);
  v.leftTime = 500;
  clampScroll(v, 60.0);
  EXPECT_LT(v.leftTime, 60.0);
  v.leftTime = -3;
  clampScroll(v, 60.0);
  EXPECT_EQ(v.leftTime, 0.0);
}

TEST(TimelineView, RulerMarksFallOnWholeFramesOrSeconds) {
  const double fps = 25.0;
  for (double pps : {5.0, 40.0, 200.0, 900.0, 3000.0}) {
    const RulerSpacing r = rulerSpacing(pps, fps, 90.0f);
    EXPECT_GE(r.majorSeconds * pps, 90.0 - 1e-9) << pps;
    const double majorFrames = r.majorSeconds * fps, minorFrames = r.minorSeconds * fps;
    EXPECT_NEAR(majorFrames, std::round(majorFrames), 1e-9) << pps;
    EXPECT_NEAR(minorFrames, std::round(minorFrames), 1e-9) << pps;
    EXPECT_LE(r.minorSeconds, r.majorSeconds);
  }
  EXPECT_NEAR(rulerSpacing(3000.0, fps, 90.0f).majorSeconds, 1.0 / fps, 1e-12);
  EXPECT_NEAR(rulerSpacing(900.0, fps, 90.0f).majorSeconds, 5.0 / fps, 1e-12);
  EXPECT_EQ(rulerSpacing(0.5, fps, 90.0f).majorSeconds, 300.0);
}

TEST(TimelineEdit, HitsBlocksEdgesAndLayerLanes) {
  Session s;
  s.events = {at(1, 2)};
  s.results = {layerOf(0, 1.5f, 1)};
  TimelineMetrics m;
  m.eventHeight = 40;
  m.laneHeight = 10;
  TimelineView v;
  v.pixelsPerSecond = 100;
  const TimelineLayout layout = layoutTimeline(s, m);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 200, 20, 6).part, TimelinePart::Body);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 102, 20, 6).part, TimelinePart::StartEdge);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 298, 20, 6).part, TimelinePart::EndEdge);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 50, 20, 6).part, TimelinePart::None);
  const TimelineHit lane = hitTestTimeline(s, layout, m, v, 200, 45, 6);
  EXPECT_EQ(lane.part, TimelinePart::Layer);
  EXPECT_EQ(lane.layer, 0);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 120, 45, 6).part, TimelinePart::None);
  EXPECT_EQ(hitTestTimeline(s, layout, m, v, 200, 60, 6).part, TimelinePart::None);
}

TEST(TimelineEdit, RectangleSelectsTheBlocksItMeets) {
  Session s;
  s.events = {at(0, 1), at(0.5f, 1), at(3, 1)};
  TimelineMetrics m;
  m.eventHeight = 40;
  m.laneHeight = 10;
  m.rowGap = 0;
  const TimelineLayout layout = layoutTimeline(s, m);
  EXPECT_EQ(eventsInRect(s, layout, m, 0.2, 0.8, 0, 10), (std::vector<int>{0}));
  EXPECT_EQ(eventsInRect(s, layout, m, 0.8, 0.2, 0, 60), (std::vector<int>{0, 1}));
  EXPECT_EQ(eventsInRect(s, layout, m, 2.0, 5.0, 0, 100), (std::vector<int>{2}));
  EXPECT_TRUE(eventsInRect(s, layout, m, 1.6, 2.9, 0, 100).empty());
}

}  // namespace
}  // namespace vn
