#include <gtest/gtest.h>

#include <cmath>

#include "core/event_edit.h"
#include "core/event_io.h"
#include "core/json_parse.h"
#include "core/session_edit.h"
#include "core/user_file_events.h"

namespace vn {
namespace {

Event at(float time, float duration) {
  Event e;
  e.time = time;
  e.duration = duration;
  return e;
}

Layer layerOf(int event, float start) {
  Layer l;
  l.eventIdx = event;
  l.startTime = start;
  l.duration = 1;
  return l;
}

TEST(EventEdit, NewEventsTakeTheirShapesDefaultsWithinTheLimits) {
  EXPECT_FLOAT_EQ(defaultDuration(ShapeType::Spot), 1.0f);
  EXPECT_FLOAT_EQ(defaultDuration(ShapeType::Bloom), 2.0f);
  EXPECT_FLOAT_EQ(defaultDuration(ShapeType::Contour), 3.0f);
  EXPECT_FLOAT_EQ(defaultDuration(ShapeType::Fill), 8.0f);
  EXPECT_FLOAT_EQ(defaultDuration(ShapeType::Bed), 1.0f);

  ProjectSettings settings;
  settings.maxEventDuration = 5.0f;
  const Event bloom = makeEvent(settings, ShapeType::Bloom, 2.0, 30.0);
  EXPECT_EQ(bloom.shape, ShapeType::Bloom);
  EXPECT_FLOAT_EQ(bloom.time, 2.0f);
  EXPECT_FLOAT_EQ(bloom.duration, 5.0f);
  EXPECT_FALSE(bloom.locked);
  const Event clip = makeEvent(settings, ShapeType::Clip, -3.0, 0.0);
  EXPECT_FLOAT_EQ(clip.time, 0.0f);
  EXPECT_FLOAT_EQ(clip.duration, kShortestEvent);
  EXPECT_TRUE(clip.locked);
  EXPECT_TRUE(makeEvent(settings, ShapeType::Bed, 0, 1).locked);

  // A longest event below the shortest one still leaves the shortest.
  settings.maxEventDuration = 0.0f;
  EXPECT_FLOAT_EQ(longestEventDuration(settings), kShortestEvent);
  EXPECT_FLOAT_EQ(clampEventDuration(settings, 3.0), kShortestEvent);
}

TEST(EventEdit, ClipAndBedStayLockedWhereverTheLockIsSet) {
  EXPECT_TRUE(isAlwaysLocked(ShapeType::Clip));
  EXPECT_TRUE(isAlwaysLocked(ShapeType::Bed));
  EXPECT_FALSE(isAlwaysLocked(ShapeType::Spot));
  EXPECT_FALSE(isAlwaysLocked(ShapeType::Fill));

  Session s;
  s.events = {at(0, 1), at(1, 1), at(2, 1)};
  setEventShape(s.events[1], ShapeType::Bed);
  EXPECT_TRUE(s.events[1].locked);
  setEventShape(s.events[2], ShapeType::Contour);
  EXPECT_FALSE(s.events[2].locked);
  setEventsLocked(s, {0, 1, 2, 9}, true);
  EXPECT_TRUE(s.events[0].locked && s.events[1].locked && s.events[2].locked);
  setEventsLocked(s, {0, 1, 2, -1}, false);
  EXPECT_FALSE(s.events[0].locked);
  EXPECT_TRUE(s.events[1].locked);
  EXPECT_FALSE(s.events[2].locked);
  EXPECT_TRUE(s.dirty);

  // A document that says otherwise reads the lock back on.
  Event read;
  readEvent(parseJsonText(R"({"shape": 5, "locked": false})"), read, false, 0);
  EXPECT_TRUE(read.locked);
  readEvent(parseJsonText(R"({"shape": 1, "locked": false})"), read, false, 0);
  EXPECT_FALSE(read.locked);
}

TEST(EventEdit, MovingEventsCarriesTheirLayersAndStopsAtZero) {
  Session s;
  s.events = {at(1, 1), at(4, 1), at(6, 1)};
  s.results = {layerOf(0, 1.2f), layerOf(1, 4), layerOf(2, 6)};
  EXPECT_FLOAT_EQ(moveEvents(s, {0, 1}, 0.5f), 0.5f);
  EXPECT_TRUE(s.dirty);
  EXPECT_FLOAT_EQ(s.events[0].time, 1.5f);
  EXPECT_FLOAT_EQ(s.events[1].time, 4.5f);
  EXPECT_FLOAT_EQ(s.events[2].time, 6.0f);
  EXPECT_FLOAT_EQ(s.results[0].startTime, 1.7f);
  EXPECT_FLOAT_EQ(s.results[1].startTime, 4.5f);
  EXPECT_FLOAT_EQ(s.results[2].startTime, 6.0f);
  EXPECT_FLOAT_EQ(moveEvents(s, {0, 1}, -10.0f), -1.5f);
  EXPECT_FLOAT_EQ(s.events[0].time, 0.0f);
  EXPECT_FLOAT_EQ(s.events[1].time, 3.0f);
  EXPECT_FLOAT_EQ(s.results[0].startTime, 0.2f);
  EXPECT_FLOAT_EQ(moveEvents(s, {7}, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(moveEvents(s, {0}, NAN), 0.0f);
  EXPECT_FLOAT_EQ(s.events[0].time, 0.0f);
}

TEST(EventEdit, ResizingKeepsTheOtherEndAndTheLimits) {
  Session s;
  s.settings.maxEventDuration = 10.0f;
  s.events = {at(5, 2)};
  setEventStart(s, 0, 6.0f);
  EXPECT_FLOAT_EQ(s.events[0].time, 6.0f);
  EXPECT_FLOAT_EQ(s.events[0].duration, 1.0f);
  setEventStart(s, 0, 9.0f);  // past the end: the shortest event
  EXPECT_FLOAT_EQ(s.events[0].time + s.events[0].duration, 7.0f);
  EXPECT_NEAR(s.events[0].duration, kShortestEvent, 1e-5);
  setEventStart(s, 0, -20.0f);  // no earlier than 0, no longer than the longest event
  EXPECT_FLOAT_EQ(s.events[0].time, 0.0f);
  s.events[0] = at(15, 2);
  setEventStart(s, 0, 1.0f);  // the longest event holds the start back
  EXPECT_FLOAT_EQ(s.events[0].time, 7.0f);
  EXPECT_FLOAT_EQ(s.events[0].duration, 10.0f);
  setEventEnd(s, 0, 100.0f);
  EXPECT_FLOAT_EQ(s.events[0].duration, 10.0f);
  setEventEnd(s, 0, -1.0f);
  EXPECT_FLOAT_EQ(s.events[0].duration, kShortestEvent);
  setEventEnd(s, 0, NAN);
  setEventEnd(s, 3, 9.0f);
  EXPECT_FLOAT_EQ(s.events[0].duration, kShortestEvent);
}

TEST(EventEdit, PaintingFillsEveryPointOfTheStroke) {
  Curve c = flatCurve(0.5f);
  paintCurve(c, 0.75f, 1.0f, 0.25f, 0.0f);  // right to left
  const int a = static_cast<int>(std::lround(0.25f * 255)), b = static_cast<int>(std::lround(0.75f * 255));
  EXPECT_FLOAT_EQ(c[a], 0.0f);
  EXPECT_FLOAT_EQ(c[b], 1.0f);
  for (int i = a; i < b; ++i) EXPECT_LT(c[i], c[i + 1]);
  EXPECT_FLOAT_EQ(c[a - 1], 0.5f);
  EXPECT_FLOAT_EQ(c[b + 1], 0.5f);
  paintCurve(c, -1.0f, 3.0f, -0.5f, 3.0f);  // clamped to the first point and to 1
  EXPECT_FLOAT_EQ(c[0], 1.0f);
  EXPECT_FLOAT_EQ(c[1], 0.5f);
  paintCurve(c, NAN, 0.0f, 0.5f, 0.0f);
  EXPECT_FLOAT_EQ(c[0], 1.0f);
}

TEST(EventEdit, PastedCopiesKeepTheirSpacingAndLeaveTheirScene) {
  Session s;
  s.events = {at(1, 1)};
  std::vector<Event> copied = {at(5, 1), at(3, 2)};
  copied[0].sceneLink = 0;
  copied[0].keywords = "door";
  EXPECT_EQ(pasteEvents(s, copied, 10.0f), (std::vector<int>{1, 2}));
  ASSERT_EQ(s.events.size(), 3u);
  EXPECT_FLOAT_EQ(s.events[1].time, 12.0f);
  EXPECT_FLOAT_EQ(s.events[2].time, 10.0f);
  EXPECT_EQ(s.events[1].sceneLink, -1);
  EXPECT_EQ(s.events[1].keywords, "door");
  EXPECT_TRUE(s.dirty);
  EXPECT_TRUE(pasteEvents(s, {}, 0.0f).empty());
  EXPECT_EQ(s.events.size(), 3u);
}

TEST(EventEdit, GroupsAndScenesTakeTheFirstFreeNumber) {
  Session s;
  s.events = {at(0, 1), at(1, 1), at(2, 1), at(3, 1)};
  s.events[3].folder = "Group 1";
  EXPECT_EQ(groupEvents(s, {0, 1, 17}), "Group 2");
  EXPECT_EQ(s.events[0].folder, "Group 2");
  EXPECT_EQ(s.events[1].folder, "Group 2");
  EXPECT_TRUE(s.events[2].folder.empty());
  // Regrouping the only member of a linked group forgets the link.
  s.linkedGroups.insert("Group 1");
  EXPECT_EQ(groupEvents(s, {3}), "Group 3");
  EXPECT_TRUE(s.linkedGroups.empty());
  EXPECT_EQ(groupEvents(s, {2}), "Group 1");  // no event carries it any more

  Scene named;
  named.name = "Scene 1";
  s.scenes = {named};
  EXPECT_EQ(addScene(s, 2.0f, 6.0f), 1);
  EXPECT_EQ(s.scenes[1].name, "Scene 2");
  EXPECT_FLOAT_EQ(s.scenes[1].inTime, 2.0f);
  EXPECT_FLOAT_EQ(s.scenes[1].outTime, 6.0f);
  deleteScene(s, 0);
  EXPECT_EQ(s.scenes[addScene(s, 0.0f, 1.0f)].name, "Scene 1");
}

TEST(EventEdit, TheWorkAreaKeepsItsInBeforeItsOut) {
  Session s;
  EXPECT_FALSE(hasWorkArea(s));
  setWorkAreaIn(s, 4.0f);
  EXPECT_FALSE(hasWorkArea(s));
  setWorkAreaOut(s, 2.0f);  // before the in point: the in point goes
  EXPECT_FLOAT_EQ(s.workAreaIn, -1.0f);
  EXPECT_FLOAT_EQ(s.workAreaOut, 2.0f);
  setWorkAreaIn(s, 0.5f);
  EXPECT_TRUE(hasWorkArea(s));
  setWorkAreaIn(s, 2.0f);  // on the out point: the out point goes
  EXPECT_FLOAT_EQ(s.workAreaOut, -1.0f);
  setWorkAreaOut(s, 7.0f);
  EXPECT_TRUE(hasWorkArea(s));

  // A Bed spans the work area, cut to the longest event.
  s.settings.maxEventDuration = 3.0f;
  Event bed = makeBedEventAt(s, 20.0f);
  EXPECT_EQ(bed.shape, ShapeType::Bed);
  EXPECT_FLOAT_EQ(bed.time, 2.0f);
  EXPECT_FLOAT_EQ(bed.duration, 3.0f);
  clearWorkArea(s);
  EXPECT_FALSE(hasWorkArea(s));
  s.settings.maxEventDuration = 30.0f;
  bed = makeBedEventAt(s, 20.0f);  // without one: ten seconds from the playhead
  EXPECT_FLOAT_EQ(bed.time, 20.0f);
  EXPECT_FLOAT_EQ(bed.duration, 10.0f);
}

}  // namespace
}  // namespace vn
