// The strip under the menu bar: file and edit buttons, build and render, the drawing
// tool, zoom, the transport and the playhead's timecode.
#include <imgui.h>

#include <array>

#include "app/app_state.h"
#include "app/audio_panels.h"
#include "app/commands.h"
#include "app/fonts.h"
#include "app/icons.h"
#include "app/panel_draw.h"
#include "app/theme.h"
#include "core/session_timecode.h"

namespace vn {
namespace {

void commandButton(AppState& app, const char* glyph, const char* text, CommandId id, const char* tip) {
  ImGui::BeginDisabled(!commandAvailable(app, id));
  const std::string label = iconsAvailable() ? std::string(glyph) + "##" + text : std::string(text);
  if (ImGui::Button(label.c_str())) app.commands.post(id);
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) ImGui::SetTooltip("%s", tip);
  ImGui::SameLine();
}

void separator(const AppState& app) {
  ImGui::SameLine(0, 10 * app.uiScale);
  ImGui::TextDisabled("|");
  ImGui::SameLine(0, 10 * app.uiScale);
}

void drawTool(AppState& app) {
  constexpr std::array<ShapeType, 4> shapes{ShapeType::Spot, ShapeType::Bloom, ShapeType::Contour, ShapeType::Fill};
  ImGui::AlignTextToFramePadding();
  ImGui::TextDisabled("Draw");
  ImGui::SameLine();
  ImGui::SetNextItemWidth(96 * app.uiScale);
  if (ImGui::BeginCombo("##draw_shape", shapeName(app.drawShape))) {
    for (ShapeType shape : shapes) {
      ImGui::PushStyleColor(ImGuiCol_Text, shapeColor(shape, 1.1f));
      if (ImGui::Selectable(shapeName(shape), shape == app.drawShape)) app.drawShape = shape;
      ImGui::PopStyleColor();
    }
    ImGui::EndCombo();
  }
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("Shape of the events you draw on empty timeline");
  ImGui::SameLine();
  const bool on = app.drawMode;
  if (on) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
  const std::string label = withIcon(icon::kPencil, "Curves");
  if (ImGui::Button(label.c_str())) app.commands.post(CommandId::DrawMode);
  if (on) ImGui::PopStyleColor();
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("Draw Mode: drag inside an event to draw its curve");
  if (on) {
    ImGui::SameLine();
    ImGui::SetNextItemWidth(96 * app.uiScale);
    const char* curves[] = {"Weight", "Intensity"};
    ImGui::Combo("##draw_curve", &app.drawCurve, curves, 2);
  }
}

}  // namespace

void drawToolbarPanel(AppState& app) {
  commandButton(app, icon::kNew, "New", CommandId::New, "New project (Ctrl+N)");
  commandButton(app, icon::kOpen, "Open", CommandId::Open, "Open a project (Ctrl+O)");
  commandButton(app, icon::kSave, "Save", CommandId::Save, "Save (Ctrl+S)");
  separator(app);
  commandButton(app, icon::kUndo, "Undo", CommandId::Undo, "Undo (Ctrl+Z)");
  commandButton(app, icon::kRedo, "Redo", CommandId::Redo, "Redo (Ctrl+Shift+Z)");
  separator(app);
  ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.16f, 0.42f, 0.50f, 1.0f));
  ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0.20f, 0.52f, 0.62f, 1.0f));
  ImGui::BeginDisabled(!commandAvailable(app, CommandId::Build));
  const std::string build = withIcon(icon::kBuild, "Build");
  if (ImGui::Button(build.c_str())) app.commands.post(CommandId::Build);
  ImGui::EndDisabled();
  ImGui::PopStyleColor(2);
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip("Choose and layer sounds for every unlocked event");
  ImGui::SameLine();
  commandButton(app, icon::kRender, "Render", CommandId::Render, "Render the mix again from the built layers");
  separator(app);
  drawTool(app);
  separator(app);
  commandButton(app, icon::kZoomOut, "Zoom Out", CommandId::ZoomOut, "Zoom Out (Ctrl+-)");
  commandButton(app, icon::kZoomIn, "Zoom In", CommandId::ZoomIn, "Zoom In (Ctrl+=)");
  commandButton(app, icon::kFit, "Fit", CommandId::ZoomFit, "Zoom to Fit (Ctrl+0)");
  separator(app);
  drawTransportBar(app);
  const Session& s = app.session;
  const std::string tc = sessionTimecode(s.settings, app.playhead);
  ImGui::PushFont(interfaceFonts().display);
  ImGui::SetCursorPosY(ImGui::GetCursorPosY() - 3 * app.uiScale);
  ImGui::TextColored(ImVec4(0.55f, 0.86f, 0.95f, 1.0f), "%s", tc.c_str());
  ImGui::PopFont();
}

}  // namespace vn
