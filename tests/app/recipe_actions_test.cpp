// The window's recipes and chains: saved from the selection, listed, placed at the
// playhead and applied to the selection through the commands, each one undo step;
// renamed and deleted with their files; a click on a recipe plays its preview.
#include <gtest/gtest.h>
#include <sndfile.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edit_actions.h"
#include "app/recipe_actions.h"
#include "core/preset_folders.h"
#include "core/recipe_io.h"
#include "platform/paths.h"

namespace vn {
namespace {

struct RecipeFlow : ::testing::Test {
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;
  void run(CommandId id, std::string text = {}, int index = -1) { runCommand(app, {id, std::move(text), index}); }
};

TEST_F(RecipeFlow, SavePlaceApplyRenameAndDelete) {
  const int designed = createEvent(app, ShapeType::Contour, 4.0, 3.0);
  app.session.events[designed].keywords = "wind howl";
  app.session.events[designed].spread = 0.8f;
  const int plain = createEvent(app, ShapeType::Spot, 10.0, 1.0);

  run(CommandId::SaveAsRecipe, "Wind", designed);
  EXPECT_EQ(app.status.text, "Saved recipe Wind");
  ASSERT_EQ(savedNames(app.presets.recipes), std::vector<std::string>{"Wind"});

  const size_t steps = app.history.undo.size();
  app.playhead = 20.0;
  run(CommandId::PlaceRecipe, "wind");
  ASSERT_EQ(app.session.events.size(), 3u);
  EXPECT_FLOAT_EQ(app.session.events[2].time, 20.0f);
  EXPECT_FLOAT_EQ(app.session.events[2].duration, 3.0f);
  EXPECT_EQ(app.session.events[2].presetName, "Wind");
  EXPECT_EQ(app.selection.primary, 2);
  EXPECT_EQ(app.history.undo.size(), steps + 1);

  app.selection.events = {plain, 2};
  run(CommandId::ApplyRecipe, "Wind");
  EXPECT_EQ(app.status.text, "Applied recipe Wind to 2 events");
  EXPECT_EQ(app.session.events[plain].shape, ShapeType::Contour);
  EXPECT_FLOAT_EQ(app.session.events[plain].spread, 0.8f);
  EXPECT_FLOAT_EQ(app.session.events[plain].time, 10.0f);
  EXPECT_FLOAT_EQ(app.session.events[plain].duration, 1.0f);
  EXPECT_EQ(app.history.undo.size(), steps + 2);
  ASSERT_TRUE(undoStep(app.history, app.session));
  EXPECT_EQ(app.session.events[plain].shape, ShapeType::Spot);

  run(CommandId::PlaceRecipe, "No such recipe");
  EXPECT_EQ(app.status.text, "The recipe \"No such recipe\" cannot be read");
  EXPECT_EQ(app.session.events.size(), 3u);

  ASSERT_TRUE(renameRecipe(app, "Wind", "Wind / gust"));
  EXPECT_EQ(savedNames(app.presets.recipes), std::vector<std::string>{"Wind / gust"});
  EXPECT_FALSE(fileExists(recipeFilePath(recipesFolder(), "Wind")));
  ASSERT_TRUE(deleteRecipe(app, "Wind / gust"));
  EXPECT_TRUE(app.presets.recipes.empty());
  EXPECT_FALSE(fileExists(recipeFilePath(recipesFolder(), "Wind / gust")));
}

// A short stereo preview of a steady level, as a float WAV.
void writePreview(const std::string& name, int frames, float level) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(recipePreviewPath(name).c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  const std::vector<float> samples(static_cast<size_t>(frames) * 2, level);
  sf_writef_float(f, samples.data(), frames);
  sf_close(f);
}

TEST_F(RecipeFlow, AClickPlaysThePreviewUntilAnotherClickTheTransportOrARename) {
  app.playback = CreatePlaybackEngine(app.render.cache, 48000);
  ASSERT_TRUE(app.playback);
  std::string error;
  for (const char* name : {"Hum", "Quiet"}) ASSERT_TRUE(saveRecipe(recipeFromEvent(Event{}, name), error)) << error;
  writePreview("Hum", 4800, 0.25f);
  refreshPresetLists(app, true);
  std::vector<float> left(256), right(256);

  run(CommandId::PreviewRecipe, "Hum");
  EXPECT_EQ(app.status.text, "Playing the preview of Hum (0.1 s)");
  EXPECT_TRUE(recipePreviewPlaying(app));
  PullStereo(*app.playback, left.data(), right.data(), 256);
  EXPECT_EQ(left[100], 0.25f);
  EXPECT_EQ(right[255], 0.25f);

  // Another recipe without a preview: the first stops, and the status says why nothing plays.
  run(CommandId::PreviewRecipe, "Quiet");
  EXPECT_EQ(app.status.text, "No preview for Quiet");
  EXPECT_FALSE(recipePreviewPlaying(app));
  PullStereo(*app.playback, left.data(), right.data(), 256);
  EXPECT_EQ(left[0], 0.0f);

  run(CommandId::PreviewRecipe, "Hum");
  EXPECT_TRUE(recipePreviewPlaying(app));
  run(CommandId::PlayStop);
  EXPECT_FALSE(recipePreviewPlaying(app));
  run(CommandId::PlayStop);

  run(CommandId::PreviewRecipe, "Hum");
  EXPECT_TRUE(recipePreviewPlaying(app));
  ASSERT_TRUE(renameRecipe(app, "Hum", "Drone"));
  EXPECT_FALSE(recipePreviewPlaying(app));
  run(CommandId::PreviewRecipe, "Drone");
  EXPECT_TRUE(recipePreviewPlaying(app));
  ASSERT_TRUE(deleteRecipe(app, "Quiet"));
  EXPECT_FALSE(recipePreviewPlaying(app));
  ASSERT_TRUE(deleteRecipe(app, "Drone"));
  EXPECT_FALSE(fileExists(recipePreviewPath("Drone")));
}

TEST_F(RecipeFlow, GroupsSaveAsChainsAndPlaceAsLinkedGroups) {
  for (double t : {2.0, 3.0, 6.0}) createEvent(app, ShapeType::Spot, t, 0.5);
  app.selection.events = {0, 1, 2};
  groupSelection(app);
  selectOnly(app.selection, 1);
  run(CommandId::SaveAsChain);
  EXPECT_EQ(app.status.text, "Saved chain Group 1");
  ASSERT_EQ(savedNames(app.presets.chains), std::vector<std::string>{"Group 1"});

  app.prefs.chainsImportAsGroup = true;
  app.playhead = 30.0;
  run(CommandId::PlaceChain, "Group 1");
  ASSERT_EQ(app.session.events.size(), 6u);
  EXPECT_FLOAT_EQ(app.session.events[3].time, 30.0f);
  EXPECT_FLOAT_EQ(app.session.events[5].time, 34.0f);
  EXPECT_EQ(app.session.events[4].folder, "Group 1 2");
  EXPECT_TRUE(app.session.linkedGroups.count("Group 1 2"));
  EXPECT_EQ(app.selection.events.size(), 3u);

  app.prefs.chainsImportAsGroup = false;
  run(CommandId::PlaceChain, "Group 1");
  EXPECT_TRUE(app.session.events[6].folder.empty());

  selectOnly(app.selection, 6);
  run(CommandId::SaveAsChain);
  EXPECT_EQ(app.status.text, "The selected event is in no group");
}

}  // namespace
}  // namespace vn
