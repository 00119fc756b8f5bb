// Recipe and chain documents: the reader's defaults and legacy keys, the newer-
// version line, round trips through the files, safe file names, the listing of a
// folder holding things that are not recipes, and the move from older folders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_lookup.h"
#include "core/json_parse.h"
#include "core/preset_folders.h"
#include "core/recipe_io.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

Recipe readRecipeText(const std::string& text) {
  Recipe r;
  readRecipeDocument(parseJsonText(text), "/r/x.vnrecipe", r);
  return r;
}

Curve ramp() {
  Curve c;
  for (size_t i = 0; i < c.size(); ++i) c[i] = static_cast<float>(i) / 256.0f;
  return c;
}

// Every field the recipe document carries, away from the reader's defaults.
Event designedEvent(ShapeType shape) {
  Event e;
  e.time = 42.0f;
  e.duration = 3.5f;
  e.syncOffset = 0.7f;
  e.spread = 0.61f;
  e.weightCenter = 0.22f;
  e.intensityScale = 1.7f;
  e.weightOffset = -0.12f;
  e.shape = shape;
  e.intensityMode = 2;
  e.alloyMorph = 0.8f;
  e.pitchVariation = 0.4f;
  e.reverbSend = 0.33f;
  e.fillLayers = 7;
  e.groupOverride = 2;
  e.fmtOverride = 1;
  e.keywords = "metal door slam";
  e.libFilter = "Foley palette";
  e.hasPinned = true;
  e.exactLayers = true;
  e.pinnedFiles = {"/sfx/a.wav", "/sfx/b.wav"};
  e.pinnedFileIds = {"id-a", "id-b"};
  e.bedLayerLoop = {true, false};
  e.bedLayerWeight = {0.25f, 0.75f};
  e.weight = ramp();
  e.intensity = flatCurve(0.125f);
  if (shape == ShapeType::Clip) {
    e.pinnedFile = "/sfx/clip.wav";
    e.pinnedFileId = "id-clip";
    e.clipWeight = 0.6f;
    e.clipSourceOffset = 1.25f;
    e.clipSourceDuration = 2.5f;
    e.clipFadeIn = 0.05f;
    e.clipFadeOut = 0.2f;
    e.clipPitchRate = 1.5f;
    e.clipReverse = true;
    e.locked = true;
  }
  return e;
}

void expectSameDesign(const Event& a, const Event& b) {
  EXPECT_EQ(a.keywords, b.keywords);
  EXPECT_EQ(a.shape, b.shape);
  EXPECT_EQ(a.intensityMode, b.intensityMode);
  EXPECT_FLOAT_EQ(a.spread, b.spread);
  EXPECT_FLOAT_EQ(a.weightCenter, b.weightCenter);
  EXPECT_FLOAT_EQ(a.intensityScale, b.intensityScale);
  EXPECT_FLOAT_EQ(a.weightOffset, b.weightOffset);
  EXPECT_FLOAT_EQ(a.alloyMorph, b.alloyMorph);
  EXPECT_FLOAT_EQ(a.pitchVariation, b.pitchVariation);
  EXPECT_FLOAT_EQ(a.reverbSend, b.reverbSend);
  EXPECT_EQ(a.fillLayers, b.fillLayers);
  EXPECT_EQ(a.groupOverride, b.groupOverride);
  EXPECT_EQ(a.fmtOverride, b.fmtOverride);
  EXPECT_EQ(a.libFilter, b.libFilter);
  EXPECT_EQ(a.exactLayers, b.exactLayers);
  EXPECT_EQ(a.pinnedFiles, b.pinnedFiles);
  EXPECT_EQ(a.pinnedFileIds, b.pinnedFileIds);
  EXPECT_EQ(a.bedLayerLoop, b.bedLayerLoop);
  EXPECT_EQ(a.bedLayerWeight, b.bedLayerWeight);
  for (size_t i = 0; i < a.weight.size(); ++i) {
    ASSERT_NEAR(a.weight[i], b.weight[i], 1e-3) << i;
    ASSERT_NEAR(a.intensity[i], b.intensity[i], 1e-3) << i;
  }
  EXPECT_EQ(a.pinnedFile, b.pinnedFile);
  EXPECT_EQ(a.pinnedFileId, b.pinnedFileId);
  EXPECT_FLOAT_EQ(a.clipWeight, b.clipWeight);
  EXPECT_FLOAT_EQ(a.clipSourceOffset, b.clipSourceOffset);
  EXPECT_FLOAT_EQ(a.clipSourceDuration, b.clipSourceDuration);
  EXPECT_FLOAT_EQ(a.clipFadeIn, b.clipFadeIn);
  EXPECT_FLOAT_EQ(a.clipFadeOut, b.clipFadeOut);
  EXPECT_FLOAT_EQ(a.clipPitchRate, b.clipPitchRate);
  EXPECT_EQ(a.clipReverse, b.clipReverse);
}

TEST(RecipeDocument, ReaderDefaultsRangesAndLegacyKeys) {
  const Recipe bare = readRecipeText(R"({"format": "VarnelRecipe", "name": "bare"})");
  EXPECT_EQ(bare.event.shape, ShapeType::Bloom);
  EXPECT_EQ(bare.formatVersion, 0);
  EXPECT_FLOAT_EQ(bare.event.duration, 2.0f);
  EXPECT_FLOAT_EQ(bare.event.syncOffset, 1.0f);
  EXPECT_FLOAT_EQ(bare.event.spread, 0.3f);
  EXPECT_FLOAT_EQ(bare.event.weightCenter, 0.5f);
  EXPECT_FLOAT_EQ(bare.event.alloyMorph, 0.35f);
  EXPECT_FLOAT_EQ(bare.event.reverbSend, -1.0f);
  EXPECT_FLOAT_EQ(bare.event.gain, 1.0f);
  EXPECT_EQ(bare.event.groupOverride, -1);
  EXPECT_EQ(bare.event.fmtOverride, -1);
  EXPECT_FLOAT_EQ(bare.event.weight[100], 0.5f);

  EXPECT_EQ(readRecipeText(R"({"shape": 4})").event.shape, ShapeType::Spot);
  EXPECT_EQ(readRecipeText(R"({"shape": 7})").event.shape, ShapeType::Spot);
  EXPECT_EQ(readRecipeText(R"({"shape": -1})").event.shape, ShapeType::Spot);
  EXPECT_EQ(readRecipeText(R"({"shape": 6})").event.shape, ShapeType::Bed);
  EXPECT_TRUE(readRecipeText(R"({"shape": 6})").event.locked);
  EXPECT_FLOAT_EQ(readRecipeText(R"({"duration": 3})").event.syncOffset, 1.5f);
  EXPECT_FLOAT_EQ(readRecipeText(R"({"duration": 3, "syncOffset": 0.25})").event.syncOffset, 0.25f);

  const Recipe clamped = readRecipeText(
      R"({"intensityMode": 9, "pitchVariation": 5, "fillLayers": 40, "gain": 3, "duration": -4, "stereo": true,
          "shape": 5, "pinnedFile": "/x/c.wav", "placeSourceOffset": 1.5, "placeFadeIn": 0.25})");
  EXPECT_EQ(clamped.event.intensityMode, 2);
  EXPECT_FLOAT_EQ(clamped.event.pitchVariation, 1.0f);
  EXPECT_EQ(clamped.event.fillLayers, 24);
  EXPECT_FLOAT_EQ(clamped.event.gain, 1.0f);
  EXPECT_FLOAT_EQ(clamped.event.duration, 2.0f);
  EXPECT_EQ(clamped.event.fmtOverride, 1);
  EXPECT_EQ(clamped.event.pinnedFile, "/x/c.wav");
  EXPECT_TRUE(clamped.event.pinnedFiles.empty());  // a Clip's file stays in its own field
  EXPECT_FLOAT_EQ(clamped.event.clipSourceOffset, 1.5f);
  EXPECT_FLOAT_EQ(clamped.event.clipFadeIn, 0.25f);

  // An older recipe's single pinned file becomes the pinned list of a non-Clip.
  const Recipe single = readRecipeText(R"({"shape": 1, "pinnedFile": "/x/one.wav"})");
  EXPECT_EQ(single.event.pinnedFiles, std::vector<std::string>{"/x/one.wav"});
  EXPECT_TRUE(single.event.hasPinned);

  // Per-file lists longer than the pinned list are cut to it; shorter ones are filled.
  const Recipe lists = readRecipeText(
      R"({"pinnedFiles": ["/a.wav", "/b.wav"], "bedLayerLoop": [1, 0, 1, 1], "bedLayerWeight": [0.5]})");
  EXPECT_EQ(lists.event.bedLayerLoop, (std::vector<bool>{true, false}));
  EXPECT_EQ(lists.event.bedLayerWeight, (std::vector<float>{0.5f, 1.0f}));
  EXPECT_EQ(lists.event.pinnedFileIds.size(), 2u);
}

TEST(RecipeDocument, NewerVersionsAreReadWithOneLine) {
  test::LogCapture log;
  const Recipe r = readRecipeText(R"({"formatVersion": 2, "name": "n", "keywords": "wind", "future": [1, 2]})");
  EXPECT_EQ(r.event.keywords, "wind");
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0],
            "Recipe '/r/x.vnrecipe' was saved by a newer version (format 2, this build supports 1). Loading what we "
            "can.\n");
  // The older key counts when formatVersion is absent.
  Chain c;
  readChainDocument(parseJsonText(R"({"version": 3, "events": [{"relTime": 1}]})"), "/c/y.vnchain", c);
  ASSERT_EQ(log.out.size(), 2u);
  EXPECT_EQ(log.out[1],
            "Chain '/c/y.vnchain' was saved by a newer version (format 3, this build supports 1). Loading what we "
            "can.\n");
  EXPECT_EQ(c.events.size(), 1u);
  readRecipeText(R"({"formatVersion": 1})");
  EXPECT_EQ(log.out.size(), 2u);
}

TEST(RecipeFiles, EveryListedFieldSurvivesSaveAndLoad) {
  test::TempDir dir;
  for (ShapeType shape : {ShapeType::Bloom, ShapeType::Clip, ShapeType::Bed}) {
    const Event designed = designedEvent(shape);
    std::string error;
    ASSERT_TRUE(saveRecipe(recipeFromEvent(designed, "Door / slam"), dir.path(), error)) << error;
    Recipe loaded;
    ASSERT_TRUE(loadRecipe(recipeFilePath(dir.path(), "Door / slam"), loaded));
    EXPECT_EQ(loaded.name, "Door / slam");
    EXPECT_EQ(loaded.formatVersion, 1);
    EXPECT_FALSE(loaded.createdBy.empty());
    EXPECT_FLOAT_EQ(loaded.event.duration, 3.5f);
    EXPECT_FLOAT_EQ(loaded.event.syncOffset, 0.7f);
    EXPECT_EQ(loaded.event.locked, shape != ShapeType::Bloom);
    expectSameDesign(designed, loaded.event);
  }
  std::string error;
  EXPECT_FALSE(saveRecipe(recipeFromEvent(Event{}, ""), dir.path(), error));
  EXPECT_EQ(error, "A recipe needs a name.");
}

TEST(ChainFiles, RelativeTimesGroupNameAndRoundTrip) {
  test::TempDir dir;
  std::vector<Event> events(3, designedEvent(ShapeType::Contour));
  events[0].time = 12.0f;
  events[1].time = 10.0f;
  events[2].time = 15.0f;
  events[2].gain = 0.5f;
  events[2].hero = true;
  events[2].alloy = true;
  const Chain chain = chainFromEvents("Hits", events);
  EXPECT_FLOAT_EQ(chain.events[0].relTime, 2.0f);
  EXPECT_FLOAT_EQ(chain.events[1].relTime, 0.0f);
  EXPECT_FLOAT_EQ(chain.events[2].relTime, 5.0f);

  std::string error;
  ASSERT_TRUE(saveChain("Hits", events, dir.path(), error)) << error;
  Chain loaded;
  ASSERT_TRUE(loadChain(chainFilePath(dir.path(), "Hits"), loaded));
  EXPECT_EQ(loaded.name, "Hits");
  ASSERT_EQ(loaded.events.size(), 3u);
  EXPECT_FLOAT_EQ(loaded.events[0].relTime, 2.0f);
  EXPECT_FLOAT_EQ(loaded.events[1].relTime, 0.0f);
  EXPECT_FLOAT_EQ(loaded.events[2].relTime, 5.0f);
  EXPECT_FLOAT_EQ(loaded.events[2].event.gain, 0.5f);
  EXPECT_TRUE(loaded.events[2].event.hero);
  EXPECT_TRUE(loaded.events[2].event.alloy);
  EXPECT_FALSE(loaded.events[0].event.hero);
  for (const ChainEvent& ce : loaded.events) expectSameDesign(events[0], ce.event);

  ASSERT_TRUE(saveChain("", events, dir.path(), error));
  EXPECT_TRUE(fileExists(dir.file("group.vnchain")));
  EXPECT_FALSE(saveChain("Empty", {}, dir.path(), error));
  EXPECT_EQ(error, "The group 'Empty' holds no events.");
}

TEST(PresetNames, AnyNameGetsItsOwnFileAndListsBackUnchanged) {
  test::TempDir dir;
  const std::vector<std::string> names = {"a/b",  "a%2Fb", "a_b",  "..",       ".hidden", "tail. ",
                                          "x:y*?", "tab\there", "Ünïcødé", "100% wet", "A",       "a"};
  std::string error;
  for (const std::string& name : names) {
    Recipe r = recipeFromEvent(Event{}, name);
    r.event.keywords = "kw " + name;
    ASSERT_TRUE(saveRecipe(r, dir.path(), error)) << name << ": " << error;
  }
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string file = entry.path().filename().string();
    files.insert(file);
    EXPECT_NE(file[0], '.') << file;
    EXPECT_EQ(file.find_first_of("\\:*?\"<>|\t"), std::string::npos) << file;
  }
  EXPECT_EQ(files.size(), names.size());

  const std::vector<SavedPreset> listed = listRecipes(dir.path());
  ASSERT_EQ(listed.size(), names.size());
  for (const std::string& name : names) {
    const std::optional<SavedPreset> found = findSaved(listed, name);
    ASSERT_TRUE(found) << name;
    EXPECT_EQ(found->name, name);
    Recipe loaded;
    ASSERT_TRUE(loadRecipe(found->path, loaded));
    EXPECT_EQ(loaded.event.keywords, "kw " + name);
  }
  // By name, ignoring case when the exact spelling is not there.
  EXPECT_EQ(findSaved(listed, "ünïcødé"), std::nullopt);  // only ASCII case is folded
  EXPECT_EQ(findSaved(listed, "100% WET")->name, "100% wet");
  EXPECT_FALSE(findSaved(listed, "missing"));
  EXPECT_EQ(recipePreviewPath(dir.path(), "a/b"), dir.file("a%2Fb_preview.wav"));
}

TEST(PresetFolders, ListingSkipsWhatIsNotARecipe) {
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(saveRecipe(recipeFromEvent(Event{}, "good"), dir.path(), error));
  test::writeAll(dir.file("older.json"), R"({"format": "VarnelRecipe", "name": "older", "keywords": "rain"})");
  test::writeAll(dir.file("good.json"), R"({"name": "good", "keywords": "shadowed"})");
  std::filesystem::create_directory(dir.file("x.vnrecipe"));
  std::filesystem::create_symlink(dir.file("nowhere"), dir.file("dangling.vnrecipe"));
  ASSERT_EQ(::mkfifo(dir.file("pipe.vnrecipe").c_str(), 0600), 0);
  test::writeAll(dir.file("empty.vnrecipe"), "");
  test::writeAll(dir.file("notes.txt"), "{}");
  {
    std::FILE* big = std::fopen(dir.file("huge.vnrecipe").c_str(), "wb");
    ASSERT_TRUE(big);
    ASSERT_EQ(std::fseek(big, (65l << 20) - 1, SEEK_SET), 0);
    std::fputc('}', big);
    std::fclose(big);
  }
  test::writeAll(dir.file("locked.vnrecipe"), R"({"name": "locked"})");
  ::chmod(dir.file("locked.vnrecipe").c_str(), 0);
  const bool unreadable = ::access(dir.file("locked.vnrecipe").c_str(), R_OK) != 0;  // root reads anything

  const std::vector<SavedPreset> listed = listRecipes(dir.path());
  std::vector<std::string> loadedNames;
  for (const SavedPreset& s : listed) {
    Recipe r;
    if (loadRecipe(s.path, r)) loadedNames.push_back(s.name);
  }
  std::vector<std::string> expected = {"good", "older"};
  if (!unreadable) expected.insert(expected.begin() + 1, "locked");
  EXPECT_EQ(loadedNames, expected);
  EXPECT_EQ(findSaved(listed, "good")->path, recipeFilePath(dir.path(), "good"));

  Recipe r;
  EXPECT_FALSE(loadRecipe(dir.file("huge.vnrecipe"), r));
  EXPECT_FALSE(loadRecipe(dir.file("x.vnrecipe"), r));
  EXPECT_FALSE(loadRecipe(dir.file("pipe.vnrecipe"), r));
  EXPECT_FALSE(loadRecipe(dir.file("empty.vnrecipe"), r));
  EXPECT_FALSE(loadRecipe(dir.file("absent.vnrecipe"), r));
  EXPECT_TRUE(listRecipes(dir.file("no such folder")).empty());
}

TEST(PresetFolders, PinnedSoundsMovedSinceAreFoundByTheirId) {
  test::TempDir dir;
  std::vector<FileRef> registered;
  std::string sourcePath = dir.file("old/boom.wav");
  FileLookup lookup;
  lookup.registerFileRef = [&](const FileRef& ref) { registered.push_back(ref); };
  lookup.fileRefForId = [&](const std::string& id) -> std::optional<FileRef> {
    if (id != "lib-boom") return std::nullopt;
    return FileRef{id, 0xfeedfacecafebeefull, 123456789012ull, sourcePath};
  };
  lookup.pathForId = [&](const std::string& id) { return id == "lib-boom" ? sourcePath : std::string(); };
  lookup.idForPath = [&](const std::string& path) { return path == sourcePath ? "lib-boom" : std::string(); };
  installFileLookup(lookup);

  Event e;
  e.shape = ShapeType::Bed;
  e.pinnedFiles = {sourcePath, dir.file("gone.wav")};  // the first's id comes from the Library
  std::string error;
  ASSERT_TRUE(saveRecipe(recipeFromEvent(e, "bed"), dir.path(), error));
  const std::string text = test::readAll(recipeFilePath(dir.path(), "bed"));
  EXPECT_NE(text.find("\"feedfacecafebeef\""), std::string::npos);
  EXPECT_NE(text.find("\"123456789012\""), std::string::npos);

  // On this machine the sound lives elsewhere; the Library knows it by id.
  sourcePath = dir.file("new/boom.wav");
  std::filesystem::create_directories(dir.file("new"));
  test::writeAll(sourcePath, "RIFF");
  Recipe loaded;
  ASSERT_TRUE(loadRecipe(recipeFilePath(dir.path(), "bed"), loaded));
  installFileLookup({});
  ASSERT_EQ(registered.size(), 1u);
  EXPECT_EQ(registered[0].id, "lib-boom");
  EXPECT_EQ(registered[0].hash, 0xfeedfacecafebeefull);
  EXPECT_EQ(registered[0].size, 123456789012ull);
  EXPECT_EQ(registered[0].path, dir.file("old/boom.wav"));
  ASSERT_EQ(loaded.event.pinnedFiles.size(), 2u);
  EXPECT_EQ(loaded.event.pinnedFiles[0], sourcePath);
  EXPECT_EQ(loaded.event.pinnedFileIds[0], "lib-boom");
  EXPECT_EQ(loaded.event.pinnedFiles[1], dir.file("gone.wav"));  // unknown: kept as it was
}

TEST(PresetFolders, OlderFoldersMoveInWithoutReplacingAnything) {
  const std::string home = std::getenv("HOME");
  const std::string presets = home + "/Library/Preferences/VarnelPresets";
  const std::string groups = home + "/Library/Preferences/VarnelGroupPresets";
  const std::string previews = home + "/Library/Application Support/Varnel/RecipePreviews";
  for (const std::string& f : {presets, groups, previews}) std::filesystem::create_directories(f);
  test::writeAll(presets + "/wind.json", R"({"name": "wind"})");
  test::writeAll(presets + "/rain.vnrecipe", R"({"name": "rain", "keywords": "older"})");
  test::writeAll(groups + "/hits.vnchain", R"({"name": "hits", "events": []})");
  test::writeAll(previews + "/wind_preview.wav", "RIFF");
  std::string error;
  Recipe rain = recipeFromEvent(Event{}, "rain");
  rain.event.keywords = "newer";
  ASSERT_TRUE(saveRecipe(rain, error));

  test::LogCapture log;
  EXPECT_EQ(migrateLegacyPresetFolders(), 3);
  EXPECT_TRUE(fileExists(recipesFolder() + "/wind.json"));
  EXPECT_TRUE(fileExists(recipesFolder() + "/wind_preview.wav"));
  EXPECT_TRUE(fileExists(chainsFolder() + "/hits.vnchain"));
  EXPECT_TRUE(fileExists(presets + "/rain.vnrecipe"));  // the name was taken: left in place
  EXPECT_FALSE(folderExists(groups));                    // emptied, so removed
  Recipe kept;
  ASSERT_TRUE(loadRecipe(recipeFilePath(recipesFolder(), "rain"), kept));
  EXPECT_EQ(kept.event.keywords, "newer");
  EXPECT_EQ(log.countStarting("[Recipes] Kept 1 file in "), 1);
  EXPECT_EQ(migrateLegacyPresetFolders(), 0);
  const std::vector<SavedPreset> listed = listRecipes();
  EXPECT_TRUE(findSaved(listed, "rain") && findSaved(listed, "wind"));
}

}  // namespace
}  // namespace vn
