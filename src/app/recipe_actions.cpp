#include "app/recipe_actions.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "audio/preview_voice.h"
#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

constexpr double kListSeconds = 3.0;

const Event* primaryEvent(AppState& app) {
  const int e = app.selection.primary;
  if (e < 0 || e >= static_cast<int>(app.session.events.size())) {
    setStatus(app, "Select an event first");
    return nullptr;
  }
  return &app.session.events[static_cast<size_t>(e)];
}

std::optional<Recipe> savedRecipe(AppState& app, const std::string& name) {
  const std::optional<SavedPreset> saved = findSaved(app.presets.recipes, name);
  Recipe r;
  if (!saved || !loadRecipe(saved->path, r)) {
    refreshPresetLists(app, true);
    setStatus(app, "The recipe \"" + name + "\" cannot be read");
    return std::nullopt;
  }
  r.name = saved->name;
  return r;
}

std::vector<int> selectedPositions(const AppState& app) {
  std::vector<int> out;
  for (int e : app.selection.events)
    if (e >= 0 && e < static_cast<int>(app.session.events.size())) out.push_back(e);
  return out;
}

// A preview still rendering for the recipe would land under its old name, and the
// one being heard belongs to a list that is about to change.
void stopPreviewOf(AppState& app, const std::string& name) {
  if (app.presets.preview && app.presets.preview->name == name) app.presets.preview.reset();
  stopRecipePreview(app);
}

}  // namespace

RecipePreviewJob::~RecipePreviewJob() {
  cancel.store(true);
  if (thread.joinable()) thread.join();
}

void startRecipePreview(AppState& app, const Recipe& recipe) {
  PresetListsState& p = app.presets;
  p.preview.reset();  // cancels and waits for an older one
  auto job = std::make_unique<RecipePreviewJob>();
  job->name = recipe.name;
  RecipePreviewJob* raw = job.get();
  raw->thread = std::thread([raw, recipe, path = recipePreviewPath(recipe.name)] {
    raw->result = renderRecipePreview(recipe, path, &raw->cancel);
    raw->done.store(true);
  });
  p.preview = std::move(job);
  p.previewName = recipe.name;
  p.previewNote = "Rendering preview…";
}

bool previewRendering(const AppState& app) { return app.presets.preview && !app.presets.preview->done.load(); }

void refreshPresetLists(AppState& app, bool force) {
  PresetListsState& p = app.presets;
  if (p.preview && p.preview->done.load()) {
    p.previewName = p.preview->name;
    p.previewNote = p.preview->result.note;
    if (!p.preview->result.written) setStatus(app, "Recipe " + p.preview->name + ": " + p.preview->result.note);
    p.preview.reset();
  }
  if (!force && app.now - p.listedAt < kListSeconds) return;
  p.recipes = listRecipes();
  p.chains = listChains();
  p.listedAt = app.now;
}

bool saveSelectedAsRecipe(AppState& app, const std::string& name) {
  const Event* event = primaryEvent(app);
  if (!event) return false;
  const Recipe recipe = recipeFromEvent(*event, name);
  std::string error;
  if (!saveRecipe(recipe, error)) {
    setStatus(app, error);
    return false;
  }
  refreshPresetLists(app, true);
  app.presets.chosen = recipe.name;
  setStatus(app, "Saved recipe " + recipe.name);
  startRecipePreview(app, recipe);
  return true;
}

bool saveSelectedGroupAsChain(AppState& app) {
  const Event* event = primaryEvent(app);
  if (!event) return false;
  if (event->folder.empty()) {
    setStatus(app, "The selected event is in no group");
    return false;
  }
  const std::string group = event->folder;
  std::string error;
  if (!saveChain(group, groupEvents(app.session, group), error)) {
    setStatus(app, error);
    return false;
  }
  refreshPresetLists(app, true);
  setStatus(app, "Saved chain " + group);
  return true;
}

int placeRecipeAtPlayhead(AppState& app, const std::string& name) {
  const std::optional<Recipe> recipe = savedRecipe(app, name);
  if (!recipe || !beginEdit(app, "Place Recipe")) return -1;
  const int index = placeRecipe(app.session, *recipe, static_cast<float>(app.playhead));
  selectOnly(app.selection, index);
  setStatus(app, format("Placed recipe %s at %.2f s", recipe->name.c_str(), app.playhead));
  return index;
}

int placeChainAtPlayhead(AppState& app, const std::string& name) {
  const std::optional<SavedPreset> saved = findSaved(app.presets.chains, name);
  Chain chain;
  if (!saved || !loadChain(saved->path, chain) || chain.events.empty()) {
    refreshPresetLists(app, true);
    setStatus(app, "The chain \"" + name + "\" cannot be read");
    return 0;
  }
  chain.name = saved->name;
  if (!beginEdit(app, "Place Chain")) return 0;
  const std::vector<int> placed =
      placeChain(app.session, chain, static_cast<float>(app.playhead), app.prefs.chainsImportAsGroup);
  app.selection.events.clear();
  app.selection.events.insert(placed.begin(), placed.end());
  app.selection.primary = placed.front();
  setStatus(app, format("Placed chain %s: %zu event%s", chain.name.c_str(), placed.size(),
                        plural(static_cast<int64_t>(placed.size()))));
  return static_cast<int>(placed.size());
}

int applyRecipeToSelection(AppState& app, const std::string& name) {
  const std::vector<int> positions = selectedPositions(app);
  if (positions.empty()) {
    setStatus(app, "Select an event first");
    return 0;
  }
  const std::optional<Recipe> recipe = savedRecipe(app, name);
  if (!recipe || !beginEdit(app, "Apply Recipe")) return 0;
  const int applied = applyRecipeToEvents(app.session, *recipe, positions);
  setStatus(app, format("Applied recipe %s to %d event%s", recipe->name.c_str(), applied, plural(applied)));
  return applied;
}

bool playRecipePreview(AppState& app, const std::string& name) {
  if (!app.playback) return false;
  stopRecipePreview(app);
  std::string error;
  std::unique_ptr<PreviewSound> sound = LoadPreviewSound(recipePreviewPath(name), name, app.playback->projectRate, error);
  if (!sound) {
    setStatus(app, error);
    return false;
  }
  const double seconds = static_cast<double>(sound->frames) / app.playback->projectRate;
  StartPreview(app.playback->preview, std::move(sound));
  setStatus(app, format("Playing the preview of %s (%.1f s)", name.c_str(), seconds));
  return true;
}

bool recipePreviewPlaying(const AppState& app) { return app.playback && PreviewPlaying(app.playback->preview); }

void stopRecipePreview(AppState& app) {
  if (app.playback) StopPreview(app.playback->preview);
}

bool renameRecipe(AppState& app, const std::string& from, const std::string& to) {
  stopPreviewOf(app, from);
  const std::optional<Recipe> recipe = savedRecipe(app, from);
  if (!recipe) return false;
  if (to.empty() || to == recipe->name) return false;
  const std::optional<SavedPreset> taken = findSaved(app.presets.recipes, to);
  if (taken && taken->name == to) {
    setStatus(app, "A recipe named " + to + " already exists");
    return false;
  }
  Recipe renamed = *recipe;
  renamed.name = to;
  std::string error;
  if (!saveRecipe(renamed, error)) {
    setStatus(app, error);
    return false;
  }
  const std::string oldPath = findSaved(app.presets.recipes, from)->path;
  if (oldPath != recipeFilePath(recipesFolder(), renamed.name)) std::remove(oldPath.c_str());
  const std::string oldPreview = recipePreviewPath(from);
  if (fileExists(oldPreview)) std::rename(oldPreview.c_str(), recipePreviewPath(renamed.name).c_str());
  refreshPresetLists(app, true);
  app.presets.chosen = renamed.name;
  setStatus(app, "Renamed recipe " + from + " to " + renamed.name);
  return true;
}

bool deleteRecipe(AppState& app, const std::string& name) {
  stopPreviewOf(app, name);
  const std::optional<SavedPreset> saved = findSaved(app.presets.recipes, name);
  if (!saved || std::remove(saved->path.c_str()) != 0) {
    setStatus(app, "The recipe \"" + name + "\" could not be deleted");
    return false;
  }
  std::remove(recipePreviewPath(saved->name).c_str());
  refreshPresetLists(app, true);
  if (app.presets.chosen == saved->name) app.presets.chosen.clear();
  setStatus(app, "Deleted recipe " + saved->name);
  return true;
}

}  // namespace vn
