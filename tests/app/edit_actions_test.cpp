#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/edit_actions.h"

namespace vn {
namespace {

struct EditFixture : ::testing::Test {
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  int add(ShapeType shape, double time, double duration) { return createEvent(app, shape, time, duration); }
};

TEST_F(EditFixture, CreatedEventsAreSelectedUndoableAndWithinLimits) {
  app.session.settings.maxEventDuration = 5.0f;
  const int e = add(ShapeType::Bloom, 2.0, 30.0);
  ASSERT_EQ(e, 0);
  EXPECT_EQ(app.session.events[0].shape, ShapeType::Bloom);
  EXPECT_FLOAT_EQ(app.session.events[0].duration, 5.0f);
  EXPECT_EQ(app.selection.primary, 0);
  EXPECT_TRUE(app.session.dirty);
  EXPECT_EQ(add(ShapeType::Clip, -3.0, 1.0), 1);
  EXPECT_FLOAT_EQ(app.session.events[1].time, 0.0f);
  EXPECT_TRUE(app.session.events[1].locked);  // Clip events are always locked
  ASSERT_TRUE(undoStep(app.history, app.session));
  EXPECT_EQ(app.session.events.size(), 1u);
}

TEST_F(EditFixture, GroupsLockAndMuteFollowTheSelection) {
  add(ShapeType::Spot, 0, 1);
  add(ShapeType::Bed, 2, 1);
  add(ShapeType::Spot, 4, 1);
  app.selection.events = {0, 1};
  groupSelection(app);
  EXPECT_EQ(app.session.events[0].folder, "Group 1");
  EXPECT_EQ(app.session.events[1].folder, "Group 1");
  EXPECT_TRUE(app.session.events[2].folder.empty());
  app.selection.events = {2};
  groupSelection(app);
  EXPECT_EQ(app.session.events[2].folder, "Group 2");
  app.selection.events = {0};
  ungroupSelection(app);
  EXPECT_TRUE(app.session.events[0].folder.empty());
  EXPECT_TRUE(app.session.events[1].folder.empty());
  EXPECT_EQ(app.session.events[2].folder, "Group 2");

  app.selection.events = {0, 1};
  toggleLockSelection(app);  // one unlocked: lock both
  EXPECT_TRUE(app.session.events[0].locked);
  EXPECT_TRUE(app.session.events[1].locked);
  toggleLockSelection(app);  // all locked: unlock, but a Bed stays locked
  EXPECT_FALSE(app.session.events[0].locked);
  EXPECT_TRUE(app.session.events[1].locked);
  toggleMuteSelection(app);
  EXPECT_TRUE(app.session.events[0].muted && app.session.events[1].muted);
  EXPECT_FALSE(app.session.events[2].muted);
}

TEST_F(EditFixture, CopyPasteAndDeleteKeepTheSpacing) {
  add(ShapeType::Spot, 1, 1);
  add(ShapeType::Bloom, 3, 2);
  app.session.events[1].keywords = "whoosh";
  app.selection.events = {0, 1};
  copySelection(app);
  app.playhead = 10.0;
  pasteClipboard(app);
  ASSERT_EQ(app.session.events.size(), 4u);
  EXPECT_FLOAT_EQ(app.session.events[2].time, 10.0f);
  EXPECT_FLOAT_EQ(app.session.events[3].time, 12.0f);
  EXPECT_EQ(app.session.events[3].keywords, "whoosh");
  EXPECT_EQ(app.selection.events, (std::set<int>{2, 3}));

  Layer layer;
  layer.eventIdx = 3;
  app.session.results.push_back(layer);
  app.selection.events = {0, 2};
  deleteSelection(app);
  ASSERT_EQ(app.session.events.size(), 2u);
  EXPECT_EQ(app.session.events[1].keywords, "whoosh");
  ASSERT_EQ(app.session.results.size(), 1u);
  EXPECT_EQ(app.session.results[0].eventIdx, 1);  // the layer followed its event
  EXPECT_TRUE(app.selection.events.empty());

  cutSelection(app);  // nothing selected: nothing happens
  EXPECT_EQ(app.session.events.size(), 2u);
  EXPECT_EQ(app.status.text, "Select an event first");
}

TEST_F(EditFixture, KeywordsWorkAreaAndScenes) {
  add(ShapeType::Spot, 1, 1);
  add(ShapeType::Spot, 6, 2);
  setEventKeywords(app, 0, std::string(400, 'k'));
  EXPECT_EQ(app.session.events[0].keywords.size(), 255u);
  const size_t steps = app.history.undo.size();
  setEventKeywords(app, 0, std::string(400, 'k'));  // no change, no undo step
  EXPECT_EQ(app.history.undo.size(), steps);
  setEventKeywords(app, 7, "nothing");  // no such event

  app.selection.events = {0, 1};
  saveScene(app);  // no work area: the scene spans the selection
  ASSERT_EQ(app.session.scenes.size(), 1u);
  EXPECT_EQ(app.session.scenes[0].name, "Scene 1");
  EXPECT_FLOAT_EQ(app.session.scenes[0].inTime, 1.0f);
  EXPECT_FLOAT_EQ(app.session.scenes[0].outTime, 8.0f);

  app.playhead = 4.0;
  setInPoint(app);
  app.playhead = 2.0;
  setOutPoint(app);  // before the in point: the in point goes
  EXPECT_FLOAT_EQ(app.session.workAreaOut, 2.0f);
  EXPECT_FLOAT_EQ(app.session.workAreaIn, -1.0f);
  app.playhead = 0.5;
  setInPoint(app);
  saveScene(app);
  EXPECT_EQ(app.session.scenes.back().name, "Scene 2");
  EXPECT_FLOAT_EQ(app.session.scenes.back().inTime, 0.5f);
  EXPECT_FLOAT_EQ(app.session.scenes.back().outTime, 2.0f);
  clearWorkArea(app);
  EXPECT_FLOAT_EQ(app.session.workAreaIn, -1.0f);
  EXPECT_FLOAT_EQ(app.session.workAreaOut, -1.0f);
}

}  // namespace
}  // namespace vn
