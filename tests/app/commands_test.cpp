#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edit_actions.h"

namespace vn {
namespace {

struct CommandFixture : ::testing::Test {
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  void runQueued() { runPendingCommands(app); }
};

TEST_F(CommandFixture, QueuedCommandsRunInOrderOnceAndOnlyWhenAvailable) {
  // Nothing is selected and nothing copied: these are refused, not half done.
  app.commands.post(CommandId::Delete);
  app.commands.post(CommandId::Paste);
  app.commands.post(CommandId::CreateSpot);
  app.commands.post(CommandId::CreateBloom);
  app.commands.post({CommandId::SelectEvent, {}, 0});
  app.commands.post(CommandId::Copy);
  app.commands.post(CommandId::Paste);
  EXPECT_FALSE(app.commands.empty());
  runQueued();
  EXPECT_TRUE(app.commands.empty());
  ASSERT_EQ(app.session.events.size(), 3u);
  EXPECT_EQ(app.session.events[0].shape, ShapeType::Spot);
  EXPECT_EQ(app.session.events[1].shape, ShapeType::Bloom);
  EXPECT_EQ(app.session.events[2].shape, ShapeType::Spot);  // the copy of the first
  runQueued();
  EXPECT_EQ(app.session.events.size(), 3u) << "commands run once";

  // A selection past the end clears it rather than pointing nowhere.
  app.commands.post({CommandId::SelectEvent, {}, 7});
  runQueued();
  EXPECT_EQ(app.selection.primary, -1);
  EXPECT_TRUE(app.selection.events.empty());

  // While a build holds the Session, edits and undo wait.
  app.render.busy.store(true);
  app.commands.post(CommandId::CreateFill);
  app.commands.post(CommandId::Undo);
  runQueued();
  EXPECT_EQ(app.session.events.size(), 3u);
  app.render.busy.store(false);
}

TEST_F(CommandFixture, UndoAndRedoNameTheStepAndKeepTheSelectionInRange) {
  app.commands.post(CommandId::CreateSpot);
  app.commands.post(CommandId::CreateContour);
  runQueued();
  ASSERT_EQ(app.session.events.size(), 2u);
  EXPECT_EQ(app.selection.primary, 1);
  app.commands.post({CommandId::SetKeywords, "metal door", 0});
  runQueued();
  EXPECT_EQ(app.session.events[0].keywords, "metal door");

  app.commands.post(CommandId::Undo);
  runQueued();
  EXPECT_EQ(app.status.text, "Undo Edit keywords");
  EXPECT_NE(app.session.events[0].keywords, "metal door");
  app.commands.post(CommandId::Undo);
  runQueued();
  EXPECT_EQ(app.session.events.size(), 1u);
  EXPECT_EQ(app.selection.primary, -1) << "the selected event is gone";
  EXPECT_TRUE(app.selection.events.empty());

  app.commands.post(CommandId::Redo);
  app.commands.post(CommandId::Redo);
  runQueued();
  EXPECT_EQ(app.status.text, "Redo Edit keywords");
  ASSERT_EQ(app.session.events.size(), 2u);
  EXPECT_EQ(app.session.events[0].keywords, "metal door");
  EXPECT_FALSE(commandAvailable(app, CommandId::Redo));

  // A new edit after an undo drops what could have been redone.
  app.commands.post(CommandId::Undo);
  app.commands.post(CommandId::CreateFill);
  runQueued();
  EXPECT_FALSE(commandAvailable(app, CommandId::Redo));
}

TEST_F(CommandFixture, ZoomKeepsAVisiblePlayheadStillAndOtherwiseTheMiddle) {
  app.timeline = TimelineView{40.0, 10.0, 800.0f};  // 10 s to 30 s
  app.playhead = 15.0;
  const float before = timeToX(app.timeline, app.playhead);
  app.commands.post(CommandId::ZoomIn);
  runQueued();
  EXPECT_GT(app.timeline.pixelsPerSecond, 40.0);
  EXPECT_NEAR(timeToX(app.timeline, app.playhead), before, 0.01);

  app.timeline = TimelineView{40.0, 10.0, 800.0f};
  app.playhead = 100.0;  // off screen
  app.commands.post(CommandId::ZoomOut);
  runQueued();
  EXPECT_LT(app.timeline.pixelsPerSecond, 40.0);
  EXPECT_NEAR(timeToX(app.timeline, 20.0), 400.0f, 0.01) << "the middle stays put";

  app.fitPending = false;
  app.commands.post(CommandId::ZoomFit);
  runQueued();
  EXPECT_TRUE(app.fitPending);
}

}  // namespace
}  // namespace vn
