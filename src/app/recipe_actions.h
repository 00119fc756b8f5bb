#pragma once
// What the window does with recipes and chains: saving the selected event as a
// recipe and its Group as a chain, placing either at the playhead, applying a recipe
// to the selection, and renaming and deleting saved recipes. The saved lists are
// read again after every change made here and every few seconds.
#include <string>
#include <vector>

#include "core/preset_folders.h"

namespace vn {

struct AppState;

struct PresetListsState {
  std::vector<SavedPreset> recipes;
  std::vector<SavedPreset> chains;
  double listedAt = -1e9;
  std::string filter;      // the Recipes list's search text
  std::string nameDraft;   // the name field of "Save as Recipe"
  std::string renameFrom;  // the recipe being renamed, empty for none
  std::string renameDraft;
  std::string chosen;      // the recipe chosen in the list
};

// Reads the folders again when force is set or the lists are a few seconds old.
void refreshPresetLists(AppState& app, bool force = false);

// The design of the primary selected event as a recipe named name (a saved one of the
// same name is replaced).
bool saveSelectedAsRecipe(AppState& app, const std::string& name);
// The Group of the primary selected event as a chain.
bool saveSelectedGroupAsChain(AppState& app);
// Each is one undoable edit.
int placeRecipeAtPlayhead(AppState& app, const std::string& name);
int placeChainAtPlayhead(AppState& app, const std::string& name);
int applyRecipeToSelection(AppState& app, const std::string& name);
bool renameRecipe(AppState& app, const std::string& from, const std::string& to);
bool deleteRecipe(AppState& app, const std::string& name);

}  // namespace vn
