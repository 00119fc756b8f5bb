#include "app/dialogs.h"

#include <imgui.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/fonts.h"
#include "app/project_actions.h"
#include "app/theme.h"
#include "platform/paths.h"

namespace vn {
namespace {

// The program's mark: three layered waveform bars in the shape colours.
void drawLogo(ImDrawList* dl, ImVec2 at, float size) {
  const ShapeType shapes[] = {ShapeType::Bloom, ShapeType::Contour, ShapeType::Spot};
  const float bar = size / 7.0f;
  for (int i = 0; i < 3; ++i) {
    const float h = size * (0.45f + 0.25f * i);
    const float x = at.x + i * bar * 2.2f;
    dl->AddRectFilled(ImVec2(x, at.y + size - h), ImVec2(x + bar * 1.6f, at.y + size), shapeColor(shapes[i]), bar * 0.4f);
  }
}

void drawAbout(AppState& app) {
  if (app.showAbout) {
    ImGui::OpenPopup("About Varnel");
    app.showAbout = false;
  }
  ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  if (!ImGui::BeginPopupModal("About Varnel", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
  const float size = 56 * app.uiScale;
  drawLogo(ImGui::GetWindowDrawList(), ImGui::GetCursorScreenPos(), size);
  ImGui::Dummy(ImVec2(size, size));
  ImGui::SameLine(0, 18 * app.uiScale);
  ImGui::BeginGroup();
  ImGui::PushFont(interfaceFonts().display);
  ImGui::TextUnformatted("Varnel");
  ImGui::PopFont();
  ImGui::Text("Version %s", programVersion());
  ImGui::TextDisabled("Sound design for picture");
  ImGui::EndGroup();
  ImGui::Spacing();
  ImGui::TextWrapped("Index your sound libraries, place events against the picture and build layered "
                     "sound effects, then deliver them to your editing system.");
  ImGui::Spacing();
  if (ImGui::Button("Close", ImVec2(120 * app.uiScale, 0))) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

void drawLauncher(AppState& app) {
  if (app.showLauncher) {
    ImGui::OpenPopup("Project Launcher");
    app.showLauncher = false;
  }
  ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(560 * app.uiScale, 0), ImGuiCond_Appearing);
  if (!ImGui::BeginPopupModal("Project Launcher", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
  ImGui::PushFont(interfaceFonts().bold);
  ImGui::TextUnformatted("Recent projects");
  ImGui::PopFont();
  const std::vector<std::string> recent = recentProjects(app);
  if (recent.empty()) ImGui::TextDisabled("No recent projects yet.");
  for (const std::string& path : recent) {
    const std::string label = stemOf(path) + "##" + path;
    if (ImGui::Selectable(label.c_str(), false, 0, ImVec2(520 * app.uiScale, 0))) {
      app.commands.post({CommandId::OpenRecent, path, -1});
      ImGui::CloseCurrentPopup();
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", path.c_str());
  }
  ImGui::Separator();
  if (ImGui::Button("New Project")) {
    app.commands.post(CommandId::New);
    ImGui::CloseCurrentPopup();
  }
  ImGui::SameLine();
  if (ImGui::Button("Open…")) {
    app.commands.post(CommandId::Open);
    ImGui::CloseCurrentPopup();
  }
  ImGui::SameLine();
  if (ImGui::Button("Close")) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

}  // namespace

void drawDialogs(AppState& app) {
  drawFileBrowser(app.browser);
  drawAbout(app);
  drawLauncher(app);
}

}  // namespace vn
