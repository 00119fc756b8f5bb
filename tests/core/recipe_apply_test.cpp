// Recipes and chains as Session edits: what applying overwrites and keeps, a recipe
// placed at a time, a chain placed as one linked Group, and the saved recipes
// found by name for the imports.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/preset_folders.h"
#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "core/session_edit.h"
#include "platform/text.h"

namespace vn {
namespace {

Recipe bloomRecipe() {
  Recipe r;
  r.name = "Impacts";
  Event& e = r.event;
  e.shape = ShapeType::Bloom;
  e.duration = 4.0f;
  e.syncOffset = 1.0f;
  e.keywords = "metal hit";
  e.spread = 0.7f;
  e.weightCenter = 0.9f;
  e.intensityMode = 1;
  e.reverbSend = 0.5f;
  e.fillLayers = 3;
  e.groupOverride = 2;
  e.libFilter = "Metals";
  e.hasPinned = true;
  e.pinnedFiles = {"/sfx/hit.wav"};
  e.pinnedFileIds = {"id-hit"};
  e.bedLayerLoop = {false};
  e.bedLayerWeight = {1.0f};
  e.weight = flatCurve(0.9f);
  return r;
}

Event targetEvent() {
  Event t;
  t.time = 7.0f;
  t.duration = 2.0f;
  t.gain = 0.4f;
  t.muted = true;
  t.panManual = true;
  t.panX = -0.5f;
  t.folder = "Mine";
  t.userShapeIdx = 0;
  t.keywords = "old words";
  t.clipSourceOffset = 9.0f;
  return t;
}

TEST(ApplyRecipe, OverwritesTheDesignAndKeepsTheTargetsPlace) {
  const Recipe r = bloomRecipe();
  Event t = targetEvent();
  applyRecipe(r, t);
  EXPECT_FLOAT_EQ(t.time, 7.0f);
  EXPECT_FLOAT_EQ(t.duration, 2.0f);
  EXPECT_FLOAT_EQ(t.syncOffset, 0.5f);  // a quarter of the way in, as in the recipe
  EXPECT_EQ(t.shape, ShapeType::Bloom);
  EXPECT_EQ(t.keywords, "metal hit");
  EXPECT_FLOAT_EQ(t.spread, 0.7f);
  EXPECT_FLOAT_EQ(t.weightCenter, 0.9f);
  EXPECT_EQ(t.intensityMode, 1);
  EXPECT_FLOAT_EQ(t.reverbSend, 0.5f);
  EXPECT_EQ(t.fillLayers, 3);
  EXPECT_EQ(t.groupOverride, 2);
  EXPECT_EQ(t.libFilter, "Metals");
  EXPECT_EQ(t.pinnedFiles, r.event.pinnedFiles);
  EXPECT_TRUE(t.hasPinned);
  EXPECT_FLOAT_EQ(t.weight[10], 0.9f);
  EXPECT_EQ(t.userShapeIdx, -1);
  EXPECT_EQ(t.presetName, "Impacts");
  // What belongs to the placed event stays.
  EXPECT_FLOAT_EQ(t.gain, 0.4f);
  EXPECT_TRUE(t.muted);
  EXPECT_TRUE(t.panManual);
  EXPECT_FLOAT_EQ(t.panX, -0.5f);
  EXPECT_EQ(t.folder, "Mine");
  EXPECT_FLOAT_EQ(t.clipSourceOffset, 9.0f);  // not a Clip recipe
  EXPECT_FALSE(t.locked);
}

TEST(ApplyRecipe, ClipRecipesBringTheirLengthAndLockFollowsTheShape) {
  Recipe clip;
  clip.name = "Door clip";
  clip.event.shape = ShapeType::Clip;
  clip.event.duration = 1.5f;
  clip.event.syncOffset = 0.75f;
  clip.event.pinnedFile = "/sfx/door.wav";
  clip.event.hasPinned = true;
  clip.event.clipSourceOffset = 0.3f;
  clip.event.clipReverse = true;
  Event t = targetEvent();
  applyRecipe(clip, t);
  EXPECT_FLOAT_EQ(t.time, 7.0f);
  EXPECT_FLOAT_EQ(t.duration, 1.5f);
  EXPECT_FLOAT_EQ(t.syncOffset, 0.75f);
  EXPECT_EQ(t.pinnedFile, "/sfx/door.wav");
  EXPECT_FLOAT_EQ(t.clipSourceOffset, 0.3f);
  EXPECT_TRUE(t.clipReverse);
  EXPECT_TRUE(t.locked);
  // Back to a Bloom: no longer locked for being a clip.
  applyRecipe(bloomRecipe(), t);
  EXPECT_FALSE(t.locked);
  EXPECT_FLOAT_EQ(t.duration, 1.5f);
  // A lock the user set on an ordinary event stays.
  t.locked = true;
  applyRecipe(bloomRecipe(), t);
  EXPECT_TRUE(t.locked);
}

TEST(ApplyRecipe, ToSeveralEventsAsOneEdit) {
  Session s;
  for (float time : {1.0f, 2.0f, 3.0f}) {
    Event e;
    e.time = time;
    addEvent(s, e);
  }
  s.dirty = false;
  EXPECT_EQ(applyRecipeToEvents(s, bloomRecipe(), {2, 0, 2, 9, -1}), 2);
  EXPECT_TRUE(s.dirty);
  EXPECT_EQ(s.events[0].presetName, "Impacts");
  EXPECT_TRUE(s.events[1].presetName.empty());
  EXPECT_EQ(s.events[2].presetName, "Impacts");
  EXPECT_FLOAT_EQ(s.events[2].time, 3.0f);
  s.dirty = false;
  EXPECT_EQ(applyRecipeToEvents(s, bloomRecipe(), {}), 0);
  EXPECT_FALSE(s.dirty);
}

TEST(PlaceRecipe, ANewEventAtTheTime) {
  Session s;
  const int at = placeRecipe(s, bloomRecipe(), 12.5f);
  ASSERT_EQ(at, 0);
  const Event& e = s.events[0];
  EXPECT_FLOAT_EQ(e.time, 12.5f);
  EXPECT_FLOAT_EQ(e.duration, 4.0f);
  EXPECT_FLOAT_EQ(e.syncOffset, 1.0f);
  EXPECT_EQ(e.keywords, "metal hit");
  EXPECT_EQ(e.presetName, "Impacts");
  EXPECT_TRUE(s.dirty);
}

TEST(PlaceChain, KeepsRelativeTimesAndFormsOneLinkedGroup) {
  Session source;
  for (float time : {10.0f, 12.0f, 15.0f}) {
    Event e;
    e.time = time;
    e.keywords = format("hit %g", time);
    e.folder = "Hits";
    addEvent(source, e);
  }
  Event outsider;
  outsider.time = 11.0f;
  addEvent(source, outsider);
  const std::vector<Event> members = groupEvents(source, "Hits");
  ASSERT_EQ(members.size(), 3u);
  const Chain chain = chainFromEvents("Hits", members);

  Session s;
  Event existing;
  existing.folder = "Hits";
  addEvent(s, existing);
  const std::vector<int> placed = placeChain(s, chain, 100.0f, true);
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_FLOAT_EQ(s.events[placed[0]].time, 100.0f);
  EXPECT_FLOAT_EQ(s.events[placed[1]].time, 102.0f);
  EXPECT_FLOAT_EQ(s.events[placed[2]].time, 105.0f);
  EXPECT_EQ(s.events[placed[2]].keywords, "hit 15");
  for (int p : placed) EXPECT_EQ(s.events[p].folder, "Hits 2");  // "Hits" was taken
  EXPECT_TRUE(s.linkedGroups.count("Hits 2"));
  EXPECT_FALSE(s.linkedGroups.count("Hits"));

  const std::vector<int> loose = placeChain(s, chain, 0.0f, false);
  for (int p : loose) EXPECT_TRUE(s.events[p].folder.empty());
  EXPECT_EQ(s.events.size(), 7u);
  EXPECT_EQ(s.linkedGroups.size(), 1u);
}

TEST(SavedRecipes, FoundByNameForTheImports) {
  std::string error;
  ASSERT_TRUE(saveRecipe(bloomRecipe(), error)) << error;
  const std::vector<std::string> names = savedRecipeNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Impacts"), 1);
  Event e;
  e.time = 3.0f;
  ASSERT_TRUE(applySavedRecipe("impacts", e));
  EXPECT_EQ(e.presetName, "Impacts");
  EXPECT_EQ(e.keywords, "metal hit");
  EXPECT_FLOAT_EQ(e.time, 3.0f);
  Event untouched;
  EXPECT_FALSE(applySavedRecipe("nothing", untouched));
  EXPECT_TRUE(untouched.presetName.empty());
}

}  // namespace
}  // namespace vn
