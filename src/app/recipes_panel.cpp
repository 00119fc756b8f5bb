// The Recipes panel: the saved recipes, searched by name, each with its shape, length
// and words; the chosen one is applied to the selection, placed at the playhead,
// renamed, deleted or heard through its preview (a click on its name plays it). The selected event is saved as a
// recipe here, and its Group as a chain.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>

#include "app/app_command.h"
#include "app/app_state.h"
#include "app/panel_draw.h"
#include "app/recipe_actions.h"
#include "app/theme.h"
#include "app/widgets.h"
#include "core/text_field.h"
#include "library/ascii_case.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

bool matchesFilter(const std::string& name, const std::string& filter) {
  return filter.empty() || LowerAsciiCopy(name).find(LowerAsciiCopy(filter)) != std::string::npos;
}

void saveSection(AppState& app) {
  PresetListsState& p = app.presets;
  const int e = app.selection.primary;
  const bool haveEvent = e >= 0 && e < static_cast<int>(app.session.events.size());
  sectionTitle("Save");
  ImGui::SetNextItemWidth(-110 * app.uiScale);
  ImGui::InputTextWithHint("##recipe_name", "Recipe name", &p.nameDraft);
  if (p.nameDraft.size() >= cap::kPresetName) p.nameDraft = cutText(p.nameDraft, cap::kPresetName);
  ImGui::SameLine();
  ImGui::BeginDisabled(!haveEvent || p.nameDraft.empty());
  if (ImGui::Button("Save as Recipe", ImVec2(-1, 0))) app.commands.post({CommandId::SaveAsRecipe, p.nameDraft, e});
  ImGui::EndDisabled();
  const bool grouped = haveEvent && !app.session.events[static_cast<size_t>(e)].folder.empty();
  ImGui::BeginDisabled(!grouped);
  if (ImGui::Button("Save as Chain", ImVec2(-1, 0))) app.commands.post(CommandId::SaveAsChain);
  ImGui::EndDisabled();
  if (!haveEvent) ImGui::TextDisabled("Select an event to save its design.");
  else if (!grouped) ImGui::TextDisabled("Group events to save them as a chain.");
}

void recipeRow(AppState& app, const SavedPreset& saved) {
  PresetListsState& p = app.presets;
  ImGui::PushID(saved.path.c_str());
  if (p.renameFrom == saved.name) {
    ImGui::SetNextItemWidth(-1);
    ImGui::SetKeyboardFocusHere();
    if (ImGui::InputText("##rename", &p.renameDraft, ImGuiInputTextFlags_EnterReturnsTrue)) {
      renameRecipe(app, p.renameFrom, cutText(p.renameDraft, cap::kPresetName));
      p.renameFrom.clear();
    } else if (ImGui::IsKeyPressed(ImGuiKey_Escape)) {
      p.renameFrom.clear();
    }
    ImGui::PopID();
    return;
  }
  if (ImGui::Selectable(saved.name.c_str(), p.chosen == saved.name, ImGuiSelectableFlags_AllowDoubleClick)) {
    p.chosen = saved.name;
    if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) app.commands.post({CommandId::ApplyRecipe, saved.name, -1});
    else app.commands.post({CommandId::PreviewRecipe, saved.name, -1});
  }
  if (ImGui::BeginPopupContextItem()) {
    p.chosen = saved.name;
    if (ImGui::MenuItem("Apply recipe to all selected", nullptr, false, !app.selection.events.empty()))
      app.commands.post({CommandId::ApplyRecipe, saved.name, -1});
    if (ImGui::MenuItem("Place at Playhead")) app.commands.post({CommandId::PlaceRecipe, saved.name, -1});
    if (ImGui::MenuItem("Rename…")) {
      p.renameFrom = saved.name;
      p.renameDraft = saved.name;
    }
    if (ImGui::MenuItem("Delete")) deleteRecipe(app, saved.name);
    ImGui::EndPopup();
  }
  ImGui::PopID();
}

void chosenActions(AppState& app) {
  PresetListsState& p = app.presets;
  if (!findSaved(p.recipes, p.chosen)) return;
  const int selected = static_cast<int>(app.selection.events.size());
  ImGui::BeginDisabled(selected == 0);
  const std::string apply = selected > 1 ? format("Apply recipe to %d events", selected) : "Apply recipe to all selected";
  if (ImGui::Button(apply.c_str(), ImVec2(-1, 0))) app.commands.post({CommandId::ApplyRecipe, p.chosen, -1});
  ImGui::EndDisabled();
  if (ImGui::Button("Place at Playhead", ImVec2(-1, 0))) app.commands.post({CommandId::PlaceRecipe, p.chosen, -1});
  const bool hasPreview = fileExists(recipePreviewPath(p.chosen));
  if (recipePreviewPlaying(app)) {
    if (ImGui::Button("Stop Preview", ImVec2(-1, 0))) stopRecipePreview(app);
  } else {
    ImGui::BeginDisabled(!hasPreview);
    if (ImGui::Button("Play Preview", ImVec2(-1, 0))) app.commands.post({CommandId::PreviewRecipe, p.chosen, -1});
    ImGui::EndDisabled();
  }
  if (p.previewName == p.chosen && !p.previewNote.empty()) ImGui::TextDisabled("%s", p.previewNote.c_str());
  else if (hasPreview) ImGui::TextDisabled("Preview: %s", fileNameOf(recipePreviewPath(p.chosen)).c_str());
  if (previewRendering(app) && ImGui::SmallButton("Cancel preview")) app.presets.preview->cancel.store(true);
}

}  // namespace

void drawRecipesPanel(AppState& app) {
  refreshPresetLists(app);
  PresetListsState& p = app.presets;
  saveSection(app);
  sectionTitle("Recipes");
  ImGui::SetNextItemWidth(-1);
  ImGui::InputTextWithHint("##recipe_filter", "Search by name", &p.filter);
  if (p.recipes.empty()) ImGui::TextDisabled("No Recipes Saved");
  int shown = 0;
  for (const SavedPreset& saved : p.recipes) {
    if (!matchesFilter(saved.name, p.filter)) continue;
    recipeRow(app, saved);
    ++shown;
  }
  if (!p.recipes.empty() && shown == 0) ImGui::TextDisabled("No recipe matches \"%s\"", p.filter.c_str());
  chosenActions(app);
  sectionTitle("Chains");
  if (p.chains.empty()) ImGui::TextDisabled("No Chains Saved");
  for (const SavedPreset& saved : p.chains) {
    ImGui::PushID(saved.path.c_str());
    if (ImGui::Selectable(saved.name.c_str())) app.commands.post({CommandId::PlaceChain, saved.name, -1});
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Place at the playhead");
    ImGui::PopID();
  }
}

}  // namespace vn
