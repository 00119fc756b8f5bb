#include "app/menu_bar.h"

#include <imgui.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/menu_table.h"
#include "app/project_actions.h"
#include "app/recipe_actions.h"

namespace vn {
namespace {

void drawRecentProjects(AppState& app, const MenuLabel& label) {
  const std::vector<std::string> recent = recentProjects(app);
  if (!ImGui::BeginMenu(label.text.c_str(), commandAvailable(app, CommandId::OpenRecent))) return;
  if (recent.empty()) ImGui::MenuItem("No Recent Projects", nullptr, false, false);
  for (const std::string& path : recent)
    if (ImGui::MenuItem(path.c_str())) app.commands.post({CommandId::OpenRecent, path, -1});
  ImGui::Separator();
  if (ImGui::MenuItem("Clear Menu", nullptr, false, !recent.empty())) app.commands.post(CommandId::ClearRecent);
  ImGui::EndMenu();
}

// The saved recipes or chains; choosing one places it at the playhead.
void drawSavedList(AppState& app, const MenuLabel& label, const std::vector<SavedPreset>& saved, const char* emptyText,
                   CommandId place) {
  if (!ImGui::BeginMenu(label.text.c_str(), commandAvailable(app, place))) return;
  if (saved.empty()) ImGui::MenuItem(emptyText, nullptr, false, false);
  for (const SavedPreset& s : saved)
    if (ImGui::MenuItem(s.name.c_str())) app.commands.post({place, s.name, -1});
  ImGui::EndMenu();
}

void drawEntry(AppState& app, const MenuEntry& entry) {
  const MenuLabel label = splitMenuLabel(entry.label);
  switch (entry.kind) {
    case MenuEntryKind::Separator:
      ImGui::Separator();
      break;
    case MenuEntryKind::RecentProjects:
      drawRecentProjects(app, label);
      break;
    case MenuEntryKind::Recipes:
      drawSavedList(app, label, app.presets.recipes, "No Recipes Saved", CommandId::PlaceRecipe);
      break;
    case MenuEntryKind::Chains:
      drawSavedList(app, label, app.presets.chains, "No Chains Saved", CommandId::PlaceChain);
      break;
    case MenuEntryKind::Item:
      if (ImGui::MenuItem(label.text.c_str(), label.shortcut.empty() ? nullptr : label.shortcut.c_str(),
                          commandChecked(app, entry.command), commandAvailable(app, entry.command)))
        app.commands.post(entry.command);
      break;
  }
}

}  // namespace

void drawMenuBar(AppState& app) {
  refreshPresetLists(app);
  if (!ImGui::BeginMainMenuBar()) return;
  for (const Menu& menu : menuBarTable()) {
    const MenuLabel title = splitMenuLabel(menu.label);
    if (!ImGui::BeginMenu(title.text.c_str())) continue;
    for (const MenuEntry& entry : menu.entries) drawEntry(app, entry);
    ImGui::EndMenu();
  }
  ImGui::EndMainMenuBar();
}

}  // namespace vn
