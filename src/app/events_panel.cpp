// The Events panel: every event of the Session as a sortable list; clicking a row
// selects the event.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/commands.h"
#include "app/icons.h"
#include "app/panel_draw.h"
#include "app/theme.h"
#include "core/session_timecode.h"
#include "library/ascii_case.h"

namespace vn {
namespace {

bool matchesFilter(const Event& event, const std::string& filter) {
  if (filter.empty()) return true;
  const std::string haystack = std::string(shapeName(event.shape)) + " " + event.keywords + " " + event.folder;
  return LowerAsciiCopy(haystack).find(LowerAsciiCopy(filter)) != std::string::npos;
}

}  // namespace

void drawEventsPanel(AppState& app) {
  const Session& s = app.session;
  ImGui::SetNextItemWidth(-1);
  ImGui::InputTextWithHint("##filter", "Filter by shape, words or group", &app.eventFilter);
  std::vector<int> rows;
  for (int e = 0; e < static_cast<int>(s.events.size()); ++e)
    if (matchesFilter(s.events[e], app.eventFilter)) rows.push_back(e);
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return s.events[a].time < s.events[b].time; });

  const ImGuiTableFlags flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY | ImGuiTableFlags_BordersInnerV |
                                ImGuiTableFlags_SizingStretchProp | ImGuiTableFlags_Resizable;
  const float footer = ImGui::GetFrameHeightWithSpacing();
  if (!ImGui::BeginTable("##events", 5, flags, ImVec2(0, -footer))) return;
  ImGui::TableSetupScrollFreeze(0, 1);
  ImGui::TableSetupColumn("Start", ImGuiTableColumnFlags_WidthStretch, 1.3f);
  ImGui::TableSetupColumn("Shape", ImGuiTableColumnFlags_WidthStretch, 0.9f);
  ImGui::TableSetupColumn("Keywords", ImGuiTableColumnFlags_WidthStretch, 2.2f);
  ImGui::TableSetupColumn("Len", ImGuiTableColumnFlags_WidthStretch, 0.7f);
  ImGui::TableSetupColumn("Layers", ImGuiTableColumnFlags_WidthStretch, 0.6f);
  ImGui::TableHeadersRow();
  std::vector<int> layerCount(s.events.size(), 0);
  if (!sessionBusy(app))
    for (const Layer& layer : s.results)
    if (layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(layerCount.size())) ++layerCount[layer.eventIdx];
  ImGuiListClipper clipper;
  clipper.Begin(static_cast<int>(rows.size()));
  while (clipper.Step()) {
    for (int r = clipper.DisplayStart; r < clipper.DisplayEnd; ++r) {
      const int e = rows[r];
      const Event& event = s.events[e];
      ImGui::TableNextRow();
      ImGui::TableNextColumn();
      const std::string tc = sessionTimecode(s.settings, event.time) + "##row" + std::to_string(e);
      if (ImGui::Selectable(tc.c_str(), app.selection.events.count(e) > 0, ImGuiSelectableFlags_SpanAllColumns))
        app.commands.post({CommandId::SelectEvent, {}, e});
      ImGui::TableNextColumn();
      ImGui::TextColored(ImColor(shapeColor(event.shape, 1.1f)), "%s", shapeName(event.shape));
      ImGui::TableNextColumn();
      std::string words = event.keywords.empty() ? "-" : event.keywords;
      if (event.locked) words = withIcon(icon::kLock, words.c_str());
      if (event.muted) words = withIcon(icon::kMute, words.c_str());
      ImGui::TextUnformatted(words.c_str());
      ImGui::TableNextColumn();
      ImGui::TextDisabled("%.2f", event.duration);
      ImGui::TableNextColumn();
      ImGui::TextDisabled("%d", layerCount[e]);
    }
  }
  ImGui::EndTable();
  ImGui::TextDisabled("%zu of %zu events", rows.size(), s.events.size());
}

}  // namespace vn
