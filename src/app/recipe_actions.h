#pragma once
// What the window does with recipes and chains: saving the selected event as a
// recipe and its Group as a chain, placing either at the playhead, applying a recipe
// to the selection, hearing a recipe's preview, and renaming and deleting saved
// recipes. The saved lists are
// read again after every change made here and every few seconds.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/preset_folders.h"
#include "core/recipe.h"
#include "export/recipe_preview.h"

namespace vn {

struct AppState;

// A recipe's preview rendering on its own thread; a newer save cancels an older one.
struct RecipePreviewJob {
  std::string name;
  std::thread thread;
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  RecipePreviewResult result;  // read once done
  ~RecipePreviewJob();
};

struct PresetListsState {
  std::vector<SavedPreset> recipes;
  std::vector<SavedPreset> chains;
  double listedAt = -1e9;
  std::string filter;      // the Recipes list's search text
  std::string nameDraft;   // the name field of "Save as Recipe"
  std::string renameFrom;  // the recipe being renamed, empty for none
  std::string renameDraft;
  std::string chosen;      // the recipe chosen in the list
  std::unique_ptr<RecipePreviewJob> preview;
  std::string previewName;  // the recipe the last preview note is about
  std::string previewNote;
};

// Reads the folders again when force is set or the lists are a few seconds old, and
// takes in a finished preview.
void refreshPresetLists(AppState& app, bool force = false);
// Renders the recipe's preview in the background (see renderRecipePreview).
void startRecipePreview(AppState& app, const Recipe& recipe);
bool previewRendering(const AppState& app);

// The design of the primary selected event as a recipe named name (a saved one of the
// same name is replaced); its preview follows in the background.
bool saveSelectedAsRecipe(AppState& app, const std::string& name);
// The Group of the primary selected event as a chain.
bool saveSelectedGroupAsChain(AppState& app);
// Each is one undoable edit.
int placeRecipeAtPlayhead(AppState& app, const std::string& name);
int placeChainAtPlayhead(AppState& app, const std::string& name);
int applyRecipeToSelection(AppState& app, const std::string& name);
// Plays the recipe's preview file through the playback output, in place of any
// other preview; says so when there is none. Renaming or deleting a recipe, and
// starting the transport, end it.
bool playRecipePreview(AppState& app, const std::string& name);
bool recipePreviewPlaying(const AppState& app);
void stopRecipePreview(AppState& app);
bool renameRecipe(AppState& app, const std::string& from, const std::string& to);
bool deleteRecipe(AppState& app, const std::string& name);

}  // namespace vn
