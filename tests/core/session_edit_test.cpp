#include <gtest/gtest.h>

#include "core/session_edit.h"

namespace vn {
namespace {

// Three events with two layers each; layer ids 1..6, event i owns ids 2i+1, 2i+2.
Session threeEvents() {
  Session s;
  for (int i = 0; i < 3; ++i) {
    Event e;
    e.time = 10.0f - i;
    e.keywords = "event" + std::to_string(i);
    e.folder = i < 2 ? "Pair" : "Solo";
    s.events.push_back(e);
    for (int k = 0; k < 2; ++k) {
      Layer l;
      l.id = static_cast<uint32_t>(2 * i + k + 1);
      l.eventIdx = i;
      l.name = e.keywords;
      s.results.push_back(l);
    }
  }
  s.linkedGroups = {"Pair", "Solo"};
  s.dirty = false;
  return s;
}

void expectLayersPointAtTheirEvents(const Session& s) {
  for (const Layer& l : s.results) {
    ASSERT_GE(l.eventIdx, 0);
    ASSERT_LT(l.eventIdx, static_cast<int>(s.events.size()));
    EXPECT_EQ(s.events[static_cast<size_t>(l.eventIdx)].keywords, l.name);
  }
}

TEST(SessionEdit, DeletingEventsTakesTheirLayersAndKeepsReferences) {
  Session s = threeEvents();
  s.results[4].foldTarget = 2;  // event 2 folds into a layer of event 0
  s.results[5].foldTarget = 6;
  deleteEvents(s, {0, 0, 7});
  EXPECT_TRUE(s.dirty);
  ASSERT_EQ(s.events.size(), 2u);
  ASSERT_EQ(s.results.size(), 4u);
  expectLayersPointAtTheirEvents(s);
  EXPECT_EQ(s.results[2].foldTarget, -1);
  EXPECT_EQ(s.results[3].foldTarget, 6);
  EXPECT_EQ(s.linkedGroups, (std::set<std::string>{"Pair", "Solo"}));

  deleteEvents(s, {1});
  EXPECT_EQ(s.linkedGroups, (std::set<std::string>{"Pair"}));
  expectLayersPointAtTheirEvents(s);
}

TEST(SessionEdit, ReorderingCarriesLayersAlong) {
  Session s = threeEvents();
  EXPECT_FALSE(reorderEvents(s, {0, 0, 1}));
  EXPECT_FALSE(reorderEvents(s, {0, 1}));
  EXPECT_FALSE(s.dirty);
  EXPECT_TRUE(moveEvent(s, 0, 2));
  EXPECT_EQ(s.events[2].keywords, "event0");
  expectLayersPointAtTheirEvents(s);
  sortEventsByTime(s);
  EXPECT_EQ(s.events[0].keywords, "event2");
  EXPECT_EQ(s.events[2].keywords, "event0");
  expectLayersPointAtTheirEvents(s);
  EXPECT_FALSE(moveEvent(s, 0, 3));
}

TEST(SessionEdit, ReplacingLayersAndNextLayerId) {
  Session s = threeEvents();
  s.results[0].foldTarget = 4;
  s.results[5].foldTarget = 3;
  EXPECT_EQ(nextLayerId(s), 7u);
  Layer fresh;
  fresh.id = 7;
  fresh.name = "event1";
  fresh.eventIdx = 99;
  Layer kept;
  kept.id = 4;
  kept.name = "event1";
  replaceEventLayers(s, 1, {fresh, kept});
  ASSERT_EQ(s.results.size(), 6u);
  expectLayersPointAtTheirEvents(s);
  EXPECT_EQ(s.results[0].foldTarget, 4);   // its target was rebuilt under the same id
  EXPECT_EQ(s.results[3].foldTarget, -1);  // layer 3 is gone
  EXPECT_EQ(nextLayerId(s), 8u);
}

TEST(SessionEdit, ScenesGroupsAndClearing) {
  Session s = threeEvents();
  s.scenes.resize(3);
  s.events[0].sceneLink = 0;
  s.events[1].sceneLink = 1;
  s.events[2].sceneLink = 2;
  deleteScene(s, 1);
  EXPECT_EQ(s.scenes.size(), 2u);
  EXPECT_EQ(s.events[0].sceneLink, 0);
  EXPECT_EQ(s.events[1].sceneLink, -1);
  EXPECT_EQ(s.events[2].sceneLink, 1);

  renameGroup(s, "Pair", "Doors");
  EXPECT_EQ(s.events[0].folder, "Doors");
  EXPECT_EQ(s.linkedGroups, (std::set<std::string>{"Doors", "Solo"}));
  ungroup(s, "Solo");
  EXPECT_EQ(s.events[2].folder, "");
  EXPECT_EQ(s.linkedGroups, (std::set<std::string>{"Doors"}));

  s.settings.projectSampleRate = 96000;
  s.settings.maxEventDuration = 12.0f;
  s.settings.scaleType = 3;
  s.settings.reverseProb = 40;
  s.settings.fps = 30.0f;
  s.settings.totalDuration = 200.0f;
  s.masterGain = 2.0f;
  s.groupGain[4] = 0.5f;
  s.workAreaIn = 3.0f;
  clearSession(s);
  EXPECT_TRUE(s.events.empty());
  EXPECT_TRUE(s.results.empty());
  EXPECT_TRUE(s.linkedGroups.empty());
  EXPECT_EQ(s.settings.projectSampleRate, 96000);
  EXPECT_EQ(s.settings.maxEventDuration, 12.0f);
  EXPECT_EQ(s.settings.scaleType, 3);
  EXPECT_EQ(s.settings.reverseProb, 40);
  EXPECT_EQ(s.settings.fps, 24.0f);
  EXPECT_EQ(s.settings.totalDuration, 30.0f);
  EXPECT_EQ(s.masterGain, 1.0f);
  EXPECT_EQ(s.groupGain[4], 1.0f);
  EXPECT_EQ(s.workAreaIn, -1.0f);
  EXPECT_EQ(s.trackLayout.busses[1].busId, 1);
  EXPECT_EQ(s.trackLayout.busOrder[5], 5);
}

}  // namespace
}  // namespace vn
