#include "app/workspace.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/panels.h"
#include "app/status_line.h"

namespace vn {
namespace {

constexpr ImGuiWindowFlags kFixed = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                    ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;

bool beginArea(const char* id, ImVec2 pos, ImVec2 size, ImGuiWindowFlags extra = 0) {
  ImGui::SetNextWindowPos(pos);
  ImGui::SetNextWindowSize(ImVec2(std::max(size.x, 1.0f), std::max(size.y, 1.0f)));
  return ImGui::Begin(id, nullptr, kFixed | extra);
}

bool shownNow(const PanelSpec& panel, const AppState& app) { return !panel.shown || panel.shown(app); }

void remember(AppState& app, const char* id, ImVec2 pos, ImVec2 size) {
  app.panelAreas.push_back({id, pos.x, pos.y, pos.x + size.x, pos.y + size.y});
}

void drawToolbar(AppState& app, ImVec2 pos, ImVec2 size) {
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8 * app.uiScale, 6 * app.uiScale));
  if (beginArea("##toolbar", pos, size)) {
    bool first = true;
    for (const PanelSpec& panel : panelList()) {
      if (panel.place != PanelPlace::Toolbar || !shownNow(panel, app)) continue;
      if (!first) {
        ImGui::SameLine(0, 18 * app.uiScale);
      }
      first = false;
      ImGui::BeginGroup();
      panel.draw(app);
      ImGui::EndGroup();
      remember(app, panel.id, ImGui::GetItemRectMin(), ImGui::GetItemRectSize());
    }
  }
  ImGui::End();
  ImGui::PopStyleVar();
}

void drawSideTabs(AppState& app, ImVec2 pos, ImVec2 size) {
  if (beginArea("##side", pos, size) && ImGui::BeginTabBar("##side_tabs", ImGuiTabBarFlags_FittingPolicyScroll)) {
    for (const PanelSpec& panel : panelList()) {
      if (panel.place != PanelPlace::SideTab || !shownNow(panel, app)) continue;
      const ImGuiTabItemFlags flags = app.focusPanel == panel.id ? ImGuiTabItemFlags_SetSelected : 0;
      if (ImGui::BeginTabItem(panel.id, nullptr, flags)) {
        remember(app, panel.id, pos, size);
        ImGui::BeginChild(panel.id, ImVec2(0, 0), false);
        panel.draw(app);
        ImGui::EndChild();
        ImGui::EndTabItem();
      }
    }
    ImGui::EndTabBar();
  }
  ImGui::End();
}

void drawPlace(AppState& app, PanelPlace place, const char* id, ImVec2 pos, ImVec2 size, ImGuiWindowFlags extra = 0) {
  if (beginArea(id, pos, size, extra)) {
    for (const PanelSpec& panel : panelList()) {
      if (panel.place != place || !shownNow(panel, app)) continue;
      remember(app, panel.id, pos, size);
      panel.draw(app);
    }
  }
  ImGui::End();
}

bool videoShown(const AppState& app) {
  for (const PanelSpec& panel : panelList())
    if (panel.place == PanelPlace::Video && shownNow(panel, app)) return true;
  return false;
}

}  // namespace

WorkspaceAreas workspaceAreas(float left, float top, float width, float height, float uiScale) {
  WorkspaceAreas a;
  a.left = left;
  a.top = top;
  a.right = left + width;
  a.bottom = top + height;
  a.toolbarHeight = std::round(ImGui::GetFrameHeight() + 14 * uiScale);
  a.statusHeight = std::round(ImGui::GetFrameHeight() + 6 * uiScale);
  a.sideWidth = std::clamp(std::round(width * 0.24f), 280.0f * uiScale, 420.0f * uiScale);
  a.inspectorWidth = std::clamp(std::round(width * 0.21f), 260.0f * uiScale, 380.0f * uiScale);
  return a;
}

void drawWorkspace(AppState& app) {
  const ImGuiViewport* viewport = ImGui::GetMainViewport();
  const WorkspaceAreas a =
      workspaceAreas(viewport->WorkPos.x, viewport->WorkPos.y, viewport->WorkSize.x, viewport->WorkSize.y, app.uiScale);
  const float gap = std::round(2 * app.uiScale);
  const float bodyTop = a.top + a.toolbarHeight + gap;
  const float bodyBottom = a.bottom - a.statusHeight - gap;
  const float bodyHeight = std::max(bodyBottom - bodyTop, 10.0f);
  app.panelAreas.clear();

  drawToolbar(app, ImVec2(a.left, a.top), ImVec2(a.right - a.left, a.toolbarHeight));
  drawSideTabs(app, ImVec2(a.left, bodyTop), ImVec2(a.sideWidth, bodyHeight));
  const float centerLeft = a.left + a.sideWidth + gap;
  const float centerRight = a.right - a.inspectorWidth - gap;
  drawPlace(app, PanelPlace::Inspector, "##inspector", ImVec2(centerRight + gap, bodyTop),
            ImVec2(a.inspectorWidth, bodyHeight));
  float timelineTop = bodyTop;
  if (videoShown(app)) {
    const float videoHeight = std::round(bodyHeight * 0.42f);
    drawPlace(app, PanelPlace::Video, "##video", ImVec2(centerLeft, bodyTop), ImVec2(centerRight - centerLeft, videoHeight),
              ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    timelineTop += videoHeight + gap;
  }
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  drawPlace(app, PanelPlace::Timeline, "##timeline", ImVec2(centerLeft, timelineTop),
            ImVec2(centerRight - centerLeft, bodyBottom - timelineTop),
            ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
  ImGui::PopStyleVar();
  drawStatusLine(app, ImVec2(a.left, a.bottom - a.statusHeight), ImVec2(a.right - a.left, a.statusHeight));
  app.focusPanel.clear();
}

}  // namespace vn
