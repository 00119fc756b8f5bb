#include <gtest/gtest.h>

#include "app/frame.h"
#include "app/project_actions.h"
#include "headless_interface.h"

namespace vn {
namespace {

// The loop waits for input only while the interface is idle: anything that is still
// moving or waiting to be shown must keep it awake, and nothing else may.
TEST(FrameActivity, TheLoopStaysAwakeOnlyWhileSomethingMovesOrWaits) {
  test::HeadlessInterface ui;
  auto holder = std::make_unique<AppState>();
  AppState& app = *holder;
  attachProjectContext(app);
  ui.mouseTo(-100, -100);
  ui.frames(app, 3);
  app.now += kStatusFreshSeconds;
  EXPECT_FALSE(interfaceActive(app));

  app.commands.post(CommandId::CreateSpot);
  EXPECT_TRUE(interfaceActive(app)) << "a queued command";
  ui.frame(app);
  app.now += kStatusFreshSeconds;
  EXPECT_FALSE(interfaceActive(app));

  setStatus(app, "Project saved");
  EXPECT_TRUE(interfaceActive(app)) << "a fresh status text";
  app.now += kStatusFreshSeconds;
  EXPECT_FALSE(interfaceActive(app));

  app.inputFrames = 1;
  EXPECT_TRUE(interfaceActive(app)) << "frames owed to input";
  app.inputFrames = 0;

  app.drop = classifyDrop(10, 10, {"/tmp/notes.txt"});
  EXPECT_TRUE(interfaceActive(app)) << "a drop waiting for its panel";
  ui.frame(app);
  EXPECT_FALSE(app.drop.has_value());
  EXPECT_FALSE(interfaceActive(app));

  app.timelineDrag.kind = DragKind::Move;
  EXPECT_TRUE(interfaceActive(app)) << "a drag";
  app.timelineDrag.kind = DragKind::None;

  ui.button(true);
  ui.frame(app);
  EXPECT_TRUE(interfaceActive(app)) << "a button held down";
  ui.button(false);
  ui.frame(app);
  app.now += kStatusFreshSeconds;
  EXPECT_FALSE(interfaceActive(app));
}

}  // namespace
}  // namespace vn
