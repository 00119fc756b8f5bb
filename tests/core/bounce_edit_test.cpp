#include <gtest/gtest.h>

#include "core/bounce_edit.h"
#include "core/session_edit.h"

namespace vn {
namespace {

Session fiveEvents() {
  Session s;
  for (int i = 0; i < 5; ++i) {
    Event e;
    e.time = 1.0f + i;
    e.duration = 0.8f;
    e.keywords = "event " + std::to_string(i);
    s.events.push_back(e);
    for (int k = 0; k < 2; ++k) {
      Layer l;
      l.id = static_cast<uint32_t>(10 * i + k + 1);
      l.eventIdx = i;
      l.startTime = e.time + 0.1f * k;
      l.duration = 0.5f;
      l.name = "layer " + std::to_string(i) + "." + std::to_string(k);
      s.results.push_back(l);
    }
  }
  return s;
}

TEST(BounceEdit, EventsGiveWayToTheirClipAndComeBackWithTheirLayers) {
  Session s = fiveEvents();
  const int clip = bounceEventsToClip(s, {3, 1, 3, 99}, "/b/Bounce of event 1.wav", "00000000000000ab", 2.0f, 2.9f);
  ASSERT_EQ(clip, 3);
  ASSERT_EQ(s.events.size(), 4u);
  const Event& c = s.events[3];
  EXPECT_EQ(c.shape, ShapeType::Clip);
  EXPECT_TRUE(c.locked);
  EXPECT_FLOAT_EQ(c.time, 2.0f);
  EXPECT_FLOAT_EQ(c.duration, 2.9f);
  EXPECT_EQ(c.pinnedFile, "/b/Bounce of event 1.wav");
  EXPECT_EQ(c.pinnedFileId, "00000000000000ab");
  ASSERT_EQ(c.bounceSource.size(), 2u);  // each once, in timeline order, whole
  EXPECT_EQ(c.bounceSource[0].keywords, "event 1");
  EXPECT_EQ(c.bounceSource[1].keywords, "event 3");
  EXPECT_FLOAT_EQ(c.bounceSource[1].time, 4.0f);
  EXPECT_TRUE(isBounce(s, 3));
  EXPECT_FALSE(isBounce(s, 0));
  EXPECT_FALSE(isBounce(s, 4));
  // The bounced events' layers are gone; the others follow their events down.
  ASSERT_EQ(s.results.size(), 6u);
  for (const Layer& l : s.results) {
    EXPECT_EQ(s.events[static_cast<size_t>(l.eventIdx)].keywords, "event " + l.name.substr(6, 1)) << l.name;
    EXPECT_NE(l.name.substr(6, 1), "1");
    EXPECT_NE(l.name.substr(6, 1), "3");
  }

  // Reverting with the layers the bounce file carried: the Clip goes, the events come
  // back locked at their times with those layers.
  std::vector<Layer> carried(3);
  for (int k = 0; k < 3; ++k) {
    carried[k].id = static_cast<uint32_t>(k + 1);
    carried[k].eventIdx = k < 2 ? 0 : 1;
    carried[k].startTime = 2.0f + k;
    carried[k].name = "carried " + std::to_string(k);
  }
  const RestoreCounts counts = revertBounce(s, 3, carried);
  EXPECT_EQ(counts.events, 2);
  EXPECT_EQ(counts.layers, 3);
  ASSERT_EQ(s.events.size(), 5u);
  EXPECT_FALSE(isBounce(s, 3));
  EXPECT_EQ(s.events[3].keywords, "event 1");
  EXPECT_EQ(s.events[4].keywords, "event 3");
  EXPECT_TRUE(s.events[3].locked && s.events[4].locked);
  EXPECT_FLOAT_EQ(s.events[4].time, 4.0f);
  int onFirst = 0, onSecond = 0;
  for (const Layer& l : s.results) {
    onFirst += l.eventIdx == 3;
    onSecond += l.eventIdx == 4;
  }
  EXPECT_EQ(onFirst, 2);
  EXPECT_EQ(onSecond, 1);
  // The six layers of the other events and the three carried ones.
  EXPECT_EQ(s.results.size(), 6u + 3u);

  // Nothing changes for an event that is not a bounce, nor for no events at all.
  const size_t events = s.events.size();
  EXPECT_EQ(revertBounce(s, 0, carried).events, 0);
  EXPECT_EQ(revertBounce(s, 42, carried).events, 0);
  EXPECT_EQ(bounceEventsToClip(s, {-1, 77}, "/b/x.wav", "", 0.0f, 1.0f), -1);
  EXPECT_EQ(s.events.size(), events);
}

}  // namespace
}  // namespace vn
