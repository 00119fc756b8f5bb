#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edit_actions.h"
#include "app/project_actions.h"
#include "core/project_file.h"
#include "platform/paths.h"
#include "support/temp_dir.h"
#include "tools/demo_session.h"

namespace vn {
namespace {

struct ProjectFlow : ::testing::Test {
  test::TempDir dir;
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  void SetUp() override { attachProjectContext(app); }

  std::string savedDemo(const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(saveProject(path, tools::MakeDemoSession()));
    return path;
  }
  void run(CommandId id, std::string text = {}, int index = -1) {
    app.commands.post({id, std::move(text), index});
    runPendingCommands(app);
  }
};

TEST_F(ProjectFlow, OpenEditSaveAndReopen) {
  const std::string path = savedDemo("Reel.vnproj");
  run(CommandId::OpenPath, path);
  EXPECT_EQ(app.project.projectPath, path);
  EXPECT_EQ(app.status.text, "Project opened");
  ASSERT_EQ(app.session.events.size(), tools::MakeDemoSession().events.size());
  EXPECT_TRUE(app.history.undo.empty());

  run(CommandId::SetKeywords, "footsteps gravel", 3);
  EXPECT_TRUE(app.session.dirty);
  // Save As without the extension writes the ".vnproj" file.
  run(CommandId::SaveToPath, dir.file("Reel v2"));
  EXPECT_EQ(app.status.text, "Project saved");
  EXPECT_EQ(app.project.projectPath, dir.file("Reel v2.vnproj"));
  EXPECT_FALSE(app.session.dirty);
  EXPECT_TRUE(app.preferencesChanged.load());  // the recent list changed
  ASSERT_FALSE(app.prefs.recentProjects.empty());
  EXPECT_EQ(app.prefs.recentProjects.front(), dir.file("Reel v2.vnproj"));

  Session reread;
  std::string error;
  ASSERT_TRUE(loadProject(dir.file("Reel v2.vnproj"), reread, error)) << error;
  EXPECT_EQ(reread.events[3].keywords, "footsteps gravel");

  run(CommandId::New);
  EXPECT_TRUE(app.session.events.empty());
  EXPECT_TRUE(app.project.projectPath.empty());
  run(CommandId::OpenRecent, dir.file("Reel v2.vnproj"));
  EXPECT_EQ(app.session.events[3].keywords, "footsteps gravel");
  run(CommandId::ClearRecent);
  EXPECT_TRUE(app.prefs.recentProjects.empty());
}

TEST_F(ProjectFlow, ABadDocumentLeavesThePreviousSessionAndSaysWhy) {
  run(CommandId::OpenPath, savedDemo("Good.vnproj"));
  run(CommandId::SetKeywords, "kept", 0);
  const size_t events = app.session.events.size();

  test::writeAll(dir.file("Broken.vnproj"), "\x89PNG not a project at all");
  run(CommandId::OpenPath, dir.file("Broken.vnproj"));
  EXPECT_EQ(app.status.text, "Error: Invalid JSON");
  EXPECT_EQ(app.session.events.size(), events);
  EXPECT_EQ(app.session.events[0].keywords, "kept");
  EXPECT_EQ(app.project.projectPath, dir.file("Good.vnproj"));
  EXPECT_FALSE(app.history.undo.empty());  // the edit can still be undone

  test::writeAll(dir.file("Empty.vnproj"), "");
  run(CommandId::OpenPath, dir.file("Empty.vnproj"));
  EXPECT_EQ(app.status.text, "Error: Empty file");
  test::writeAll(dir.file("Other.vnproj"), "{\"format\": \"Elsewhere\"}");
  run(CommandId::OpenPath, dir.file("Other.vnproj"));
  EXPECT_EQ(app.status.text, "Error: Not a Varnel project file");
  run(CommandId::OpenPath, dir.file("Nowhere.vnproj"));
  EXPECT_EQ(app.status.text, "File not found");
  EXPECT_EQ(app.session.events[0].keywords, "kept");
}

TEST_F(ProjectFlow, MissingSourcesAndNewerDocumentsAreReported) {
  Session withLayer = tools::MakeDemoSession();
  Layer layer;
  layer.eventIdx = 1;
  layer.name = "DOORWood_Slam";
  layer.filepath = "/no/such/library/DOORWood_Slam.wav";
  layer.duration = 1.0f;
  withLayer.results.push_back(layer);
  ASSERT_TRUE(saveProject(dir.file("Missing.vnproj"), withLayer));
  run(CommandId::OpenPath, dir.file("Missing.vnproj"));
  EXPECT_EQ(app.status.text, "Opened (some files missing)");
  EXPECT_EQ(app.session.missingFiles.size(), 1u);

  std::string text = test::readAll(dir.file("Missing.vnproj"));
  const size_t at = text.find("\"minReaderVersion\": 1");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 21, "\"minReaderVersion\": 10");
  test::writeAll(dir.file("Newer.vnproj"), text);
  run(CommandId::OpenPath, dir.file("Newer.vnproj"));
  EXPECT_NE(app.status.text.find("Newer version project"), std::string::npos) << app.status.text;
  EXPECT_NE(app.status.text.find("some data may be lost if you save"), std::string::npos);
  EXPECT_EQ(app.project.projectPath, dir.file("Newer.vnproj"));
}

TEST_F(ProjectFlow, CommandsOfMissingFeaturesDoNothingAndViewCommandsFocusPanels) {
  EXPECT_FALSE(commandAvailable(app, CommandId::BounceSelection));
  EXPECT_TRUE(commandAvailable(app, CommandId::PlaceRecipe));
  EXPECT_TRUE(commandAvailable(app, CommandId::ShowExport));
  EXPECT_TRUE(commandAvailable(app, CommandId::ShowLibrary));
  run(CommandId::ShowLibrary);
  EXPECT_EQ(app.focusPanel, "Library");
  EXPECT_FALSE(commandAvailable(app, CommandId::Undo));
  EXPECT_FALSE(commandAvailable(app, CommandId::Delete));

  createEvent(app, ShapeType::Spot, 1.0, 1.0);
  EXPECT_TRUE(commandAvailable(app, CommandId::Delete));
  run(CommandId::DrawMode);
  EXPECT_TRUE(app.drawMode);
  EXPECT_TRUE(commandChecked(app, CommandId::DrawMode));
  EXPECT_EQ(app.status.text, "Draw mode not available for Spot");
  run(CommandId::Exit);
  EXPECT_TRUE(app.quit);
}

}  // namespace
}  // namespace vn
