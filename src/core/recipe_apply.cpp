#include "core/recipe_apply.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "core/preset_folders.h"
#include "core/recipe_io.h"
#include "core/session_edit.h"
#include "core/text_field.h"
#include "platform/text.h"

namespace vn {
namespace {

bool alwaysLocked(ShapeType shape) { return shape == ShapeType::Clip || shape == ShapeType::Bed; }

}  // namespace

void applyRecipe(const Recipe& recipe, Event& e) {
  const Event& r = recipe.event;
  const bool wasAlwaysLocked = alwaysLocked(e.shape);
  const float duration = r.shape == ShapeType::Clip ? r.duration : e.duration;
  // The sync point sits at the same share of the event as in the recipe.
  e.syncOffset = r.duration > 0.0f ? r.syncOffset / r.duration * duration : r.syncOffset;
  e.duration = duration;
  e.keywords = r.keywords;
  e.shape = r.shape;
  e.userShapeIdx = -1;  // the recipe's own shape parameters replace any user shape
  e.intensityMode = r.intensityMode;
  e.spread = r.spread;
  e.weightCenter = r.weightCenter;
  e.intensityScale = r.intensityScale;
  e.weightOffset = r.weightOffset;
  e.alloyMorph = r.alloyMorph;
  e.pitchVariation = r.pitchVariation;
  e.reverbSend = r.reverbSend;
  e.fillLayers = r.fillLayers;
  e.groupOverride = r.groupOverride;
  e.fmtOverride = r.fmtOverride;
  e.libFilter = r.libFilter;
  e.hasPinned = r.hasPinned;
  e.pinnedFile = r.pinnedFile;
  e.pinnedFileId = r.pinnedFileId;
  e.exactLayers = r.exactLayers;
  e.pinnedFiles = r.pinnedFiles;
  e.pinnedFileIds = r.pinnedFileIds;
  e.bedLayerLoop = r.bedLayerLoop;
  e.bedLayerWeight = r.bedLayerWeight;
  e.weight = r.weight;
  e.intensity = r.intensity;
  if (r.shape == ShapeType::Clip) {
    e.clipWeight = r.clipWeight;
    e.clipSourceOffset = r.clipSourceOffset;
    e.clipSourceDuration = r.clipSourceDuration;
    e.clipFadeIn = r.clipFadeIn;
    e.clipFadeOut = r.clipFadeOut;
    e.clipPitchRate = r.clipPitchRate;
    e.clipReverse = r.clipReverse;
  }
  if (alwaysLocked(e.shape))
    e.locked = true;
  else if (wasAlwaysLocked)
    e.locked = false;  // it was locked only for being a clip or a bed
  e.presetName = cutText(recipe.name, cap::kPresetName);
}

int applyRecipeToEvents(Session& session, const Recipe& recipe, const std::vector<int>& positions) {
  std::set<int> done;
  for (int p : positions)
    if (p >= 0 && p < static_cast<int>(session.events.size()) && done.insert(p).second)
      applyRecipe(recipe, session.events[static_cast<size_t>(p)]);
  if (!done.empty()) markDirty(session);
  return static_cast<int>(done.size());
}

int placeRecipe(Session& session, const Recipe& recipe, float time) {
  Event e = recipe.event;
  e.time = std::max(time, 0.0f);
  e.presetName = cutText(recipe.name, cap::kPresetName);
  e.locked = alwaysLocked(e.shape);
  return addEvent(session, std::move(e));
}

std::vector<int> placeChain(Session& session, const Chain& chain, float time, bool asGroup) {
  const std::string group = asGroup ? cutText(unusedGroupName(session, chain.name), cap::kFolder) : std::string();
  std::vector<int> placed;
  for (const ChainEvent& ce : chain.events) {
    Event e = ce.event;
    e.time = std::max(time, 0.0f) + ce.relTime;
    e.folder = group;
    e.locked = alwaysLocked(e.shape);
    placed.push_back(addEvent(session, std::move(e)));
  }
  if (!group.empty() && !placed.empty()) session.linkedGroups.insert(group);
  markDirty(session);
  return placed;
}

std::vector<Event> groupEvents(const Session& session, const std::string& name) {
  std::vector<Event> out;
  if (name.empty()) return out;
  for (const Event& e : session.events)
    if (e.folder == name) out.push_back(e);
  std::stable_sort(out.begin(), out.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
  return out;
}

std::string unusedGroupName(const Session& session, const std::string& name) {
  std::set<std::string> taken;
  for (const Event& e : session.events)
    if (!e.folder.empty()) taken.insert(e.folder);
  const std::string base = name.empty() ? std::string("group") : name;
  if (!taken.count(base)) return base;
  for (int n = 2;; ++n) {
    std::string numbered = format("%s %d", base.c_str(), n);
    if (!taken.count(numbered)) return numbered;
  }
}

bool applySavedRecipe(const std::string& name, Event& event) {
  const std::optional<SavedPreset> saved = findSaved(listRecipes(), name);
  Recipe recipe;
  if (!saved || !loadRecipe(saved->path, recipe)) return false;
  recipe.name = saved->name;
  applyRecipe(recipe, event);
  return true;
}

std::vector<std::string> savedRecipeNames() { return savedNames(listRecipes()); }

}  // namespace vn
