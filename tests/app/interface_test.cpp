#include <gtest/gtest.h>

#include <filesystem>

#include "app/project_actions.h"
#include "headless_interface.h"
#include "support/temp_dir.h"
#include "tools/demo_session.h"

namespace vn {
namespace {

struct InterfaceFixture : ::testing::Test {
  test::HeadlessInterface ui;
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  void SetUp() override { attachProjectContext(app); }

  ImVec2 onTrack(double seconds, float rowY) const {
    return ImVec2(app.trackOriginX + timeToX(app.timeline, seconds), app.trackOriginY + rowY);
  }
  bool drawn(const std::string& id) const {
    for (const PanelArea& a : app.panelAreas)
      if (a.id == id && a.x1 > a.x0 && a.y1 > a.y0) return true;
    return false;
  }
};

TEST_F(InterfaceFixture, DrawsEveryPanelAndDialogOverADemoSession) {
  app.session = tools::MakeDemoSession();
  Layer built;
  built.eventIdx = 8;  // the whoosh
  built.name = "WHSH_Air_Pass_Fast_01";
  built.filepath = "/library/whoosh.wav";
  built.startTime = 11.0f;
  built.duration = 2.0f;
  Layer sketch = built;
  sketch.name = "[Sketch] Spot";
  sketch.placeholder = true;
  sketch.filepath.clear();
  Layer gone = built;
  gone.filepath = "/library/gone.wav";
  app.session.results = {built, sketch, gone};
  app.session.missingFiles = {"/library/gone.wav"};
  app.selection.events = {8};
  app.selection.primary = 8;
  ui.frames(app, 3);
  EXPECT_TRUE(drawn("Timeline"));
  EXPECT_TRUE(drawn("Inspector"));
  EXPECT_TRUE(drawn("Toolbar"));
  for (CommandId show : {CommandId::ShowEvents, CommandId::ShowProject, CommandId::ShowMixer, CommandId::ShowLibrary,
                         CommandId::ShowSettings}) {
    app.commands.post(show);
    ui.frames(app, 2);
  }
  EXPECT_TRUE(drawn("Settings"));
  app.commands.post(CommandId::ShowProvenance);
  ui.frames(app, 2);
  EXPECT_TRUE(drawn("Provenance"));
  EXPECT_FALSE(drawn("Settings"));
  app.commands.post(CommandId::ShowEvents);
  ui.frames(app, 2);
  EXPECT_TRUE(drawn("Events"));
  EXPECT_FALSE(drawn("Settings"));

  app.selection.events = {0, 2, 4};
  ui.frames(app, 2);
  app.commands.post(CommandId::About);
  ui.frames(app, 2);
  ImGui::CloseCurrentPopup();
  app.showLauncher = true;
  ui.frames(app, 2);
  app.commands.post(CommandId::Open);
  ui.frames(app, 2);
  EXPECT_TRUE(app.browser.open);
  EXPECT_EQ(app.browser.mode, BrowseMode::OpenFile);
}

TEST_F(InterfaceFixture, DrawingOnEmptyTimelineMakesAnEventAndUndoTakesItBack) {
  app.drawShape = ShapeType::Contour;
  ui.frames(app, 2);
  ASSERT_GT(app.timeline.pixelsPerSecond, 0.0);
  ui.drag(app, onTrack(5.0, 10.0f), onTrack(8.0, 12.0f));
  ASSERT_EQ(app.session.events.size(), 1u);
  const Event& e = app.session.events[0];
  EXPECT_EQ(e.shape, ShapeType::Contour);
  const double pixel = 1.0 / app.timeline.pixelsPerSecond;
  EXPECT_NEAR(e.time, 5.0, 2 * pixel);
  EXPECT_NEAR(e.duration, 3.0, 2 * pixel);
  EXPECT_EQ(app.selection.primary, 0);

  app.commands.post(CommandId::Undo);
  ui.frame(app);
  EXPECT_TRUE(app.session.events.empty());
  app.commands.post(CommandId::Redo);
  ui.frame(app);
  EXPECT_EQ(app.session.events.size(), 1u);

  // A click without a drag only moves the playhead.
  ui.drag(app, onTrack(12.0, 10.0f), onTrack(12.0, 10.0f), 1);
  EXPECT_EQ(app.session.events.size(), 1u);
  EXPECT_NEAR(app.playhead, 12.0, 2 * pixel);
}

TEST_F(InterfaceFixture, DraggingBlocksMovesThemWithTheirLayersAndResizesAtTheEdges) {
  Event e;
  e.shape = ShapeType::Bloom;
  e.time = 2.0f;
  e.duration = 4.0f;
  app.session.events = {e};
  Layer layer;
  layer.eventIdx = 0;
  layer.startTime = 2.5f;
  layer.duration = 1.0f;
  app.session.results = {layer};
  ui.frames(app, 2);
  const double pps = app.timeline.pixelsPerSecond;
  const ImVec2 middle = onTrack(4.0, 20.0f);
  ui.drag(app, middle, ImVec2(middle.x + float(2.0 * pps), middle.y));
  EXPECT_NEAR(app.session.events[0].time, 4.0, 2.0 / pps);
  EXPECT_NEAR(app.session.results[0].startTime, 4.5, 2.0 / pps);
  EXPECT_EQ(app.history.undo.size(), 1u);  // one drag, one undo step

  const ImVec2 end = onTrack(app.session.events[0].time + app.session.events[0].duration - 1.0 / pps, 20.0f);
  ui.drag(app, end, ImVec2(end.x + float(pps), end.y));
  EXPECT_NEAR(app.session.events[0].duration, 5.0, 3.0 / pps);
  EXPECT_NEAR(app.session.events[0].time, 4.0, 2.0 / pps);
  EXPECT_NEAR(app.session.results[0].startTime, 4.5, 2.0 / pps);  // resizing leaves layers alone
}

TEST_F(InterfaceFixture, DropsGoWhereTheyBelong) {
  test::TempDir dir;
  ui.frames(app, 2);
  // A plain text file does nothing.
  app.drop = classifyDrop(800, 500, {dir.file("notes.txt")});
  ui.frame(app);
  EXPECT_TRUE(app.status.text.empty());
  // A project opens, whatever panel it lands on; this one is not there.
  app.drop = classifyDrop(800, 500, {dir.file("Missing.VNPROJ")});
  ui.frames(app, 2);
  EXPECT_EQ(app.status.text, "File not found");
  EXPECT_FALSE(app.drop.has_value());
}

}  // namespace
}  // namespace vn
