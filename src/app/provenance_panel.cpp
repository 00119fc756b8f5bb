// The Provenance panel: the Print of a delivered file (dropped, or found with "Find
// Print…"), with the same facts the command line gives, and "Revert to Source".
#include <imgui.h>

#include "app/app_state.h"
#include "app/panel_draw.h"
#include "app/provenance_actions.h"
#include "app/theme.h"
#include "platform/paths.h"

namespace vn {

void drawProvenancePanel(AppState& app) {
  if (ImGui::Button("Find Print…")) app.commands.post({CommandId::FindPrint, {}, -1});
  const ProvenanceView& view = app.provenance;
  if (view.file.empty()) {
    ImGui::TextDisabled("Drop a delivered WAV here, or use Find Print…,");
    ImGui::TextDisabled("to see what made it.");
    return;
  }
  ImGui::TextUnformatted(fileNameOf(view.file).c_str());
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", view.file.c_str());
  ImGui::Separator();
  for (const std::string& line : view.lines) {
    if (line.find(" missing ") != std::string::npos)
      ImGui::TextColored(ImColor(colors::kMissing), "%s", line.c_str());
    else
      ImGui::TextUnformatted(line.c_str());
  }
  if (!view.print) return;
  ImGui::Spacing();
  if (ImGui::Button("Revert to Source")) app.commands.post({CommandId::RevertToSource, {}, -1});
  if (ImGui::IsItemHovered())
    ImGui::SetTooltip("Adds the events and layers that made this file to the project, locked at their times");
}

bool acceptProvenanceDrop(AppState& app, const DroppedItem& item) {
  if (item.kind != DropKind::Audio) return false;
  showProvenance(app, item.path);
  return true;
}

}  // namespace vn
