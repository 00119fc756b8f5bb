#include "app/theme.h"

#include <algorithm>
#include <array>

namespace vn {

ImU32 shapeColor(ShapeType shape, float brightness) {
  static constexpr std::array<std::array<int, 3>, kShapeCount> rgb{{
      {236, 146, 62},   // Spot
      {164, 118, 232},  // Bloom
      {62, 186, 170},   // Contour
      {76, 144, 220},   // Fill
      {220, 200, 80},   // Scatter
      {112, 190, 92},   // Clip
      {126, 140, 166},  // Bed
  }};
  const auto& c = rgb[std::clamp(static_cast<int>(shape), 0, kShapeCount - 1)];
  auto scale = [&](int v) { return static_cast<int>(std::clamp(v * brightness, 0.0f, 255.0f)); };
  return IM_COL32(scale(c[0]), scale(c[1]), scale(c[2]), 255);
}

void applyDarkTheme(float uiScale) {
  ImGuiStyle& style = ImGui::GetStyle();
  style = ImGuiStyle();
  ImGui::StyleColorsDark(&style);
  style.WindowRounding = 0.0f;
  style.ChildRounding = 3.0f;
  style.FrameRounding = 3.0f;
  style.PopupRounding = 4.0f;
  style.GrabRounding = 3.0f;
  style.TabRounding = 3.0f;
  style.ScrollbarRounding = 6.0f;
  style.WindowBorderSize = 0.0f;
  style.FrameBorderSize = 0.0f;
  style.WindowPadding = ImVec2(10, 8);
  style.FramePadding = ImVec2(8, 4);
  style.ItemSpacing = ImVec2(8, 6);
  style.ItemInnerSpacing = ImVec2(6, 4);
  style.ScrollbarSize = 12.0f;
  style.GrabMinSize = 10.0f;
  style.IndentSpacing = 16.0f;

  ImVec4* c = style.Colors;
  const ImVec4 bg(0.106f, 0.114f, 0.130f, 1.0f);
  const ImVec4 panel(0.133f, 0.145f, 0.165f, 1.0f);
  const ImVec4 frame(0.180f, 0.196f, 0.224f, 1.0f);
  const ImVec4 frameHover(0.227f, 0.247f, 0.282f, 1.0f);
  const ImVec4 accent(0.251f, 0.667f, 0.784f, 1.0f);
  const ImVec4 accentDim(0.251f, 0.667f, 0.784f, 0.55f);
  c[ImGuiCol_Text] = ImVec4(0.886f, 0.898f, 0.922f, 1.0f);
  c[ImGuiCol_TextDisabled] = ImVec4(0.50f, 0.53f, 0.58f, 1.0f);
  c[ImGuiCol_WindowBg] = panel;
  c[ImGuiCol_ChildBg] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_PopupBg] = ImVec4(0.145f, 0.157f, 0.180f, 0.98f);
  c[ImGuiCol_Border] = ImVec4(0.24f, 0.26f, 0.30f, 0.80f);
  c[ImGuiCol_FrameBg] = frame;
  c[ImGuiCol_FrameBgHovered] = frameHover;
  c[ImGuiCol_FrameBgActive] = ImVec4(0.26f, 0.29f, 0.33f, 1.0f);
  c[ImGuiCol_TitleBg] = bg;
  c[ImGuiCol_TitleBgActive] = bg;
  c[ImGuiCol_MenuBarBg] = bg;
  c[ImGuiCol_ScrollbarBg] = ImVec4(0, 0, 0, 0.15f);
  c[ImGuiCol_CheckMark] = accent;
  c[ImGuiCol_SliderGrab] = accentDim;
  c[ImGuiCol_SliderGrabActive] = accent;
  c[ImGuiCol_Button] = frame;
  c[ImGuiCol_ButtonHovered] = frameHover;
  c[ImGuiCol_ButtonActive] = accentDim;
  c[ImGuiCol_Header] = ImVec4(0.251f, 0.667f, 0.784f, 0.28f);
  c[ImGuiCol_HeaderHovered] = ImVec4(0.251f, 0.667f, 0.784f, 0.38f);
  c[ImGuiCol_HeaderActive] = accentDim;
  c[ImGuiCol_Separator] = ImVec4(0.24f, 0.26f, 0.30f, 1.0f);
  c[ImGuiCol_Tab] = bg;
  c[ImGuiCol_TabHovered] = frameHover;
  c[ImGuiCol_TabActive] = frame;
  c[ImGuiCol_TabUnfocused] = bg;
  c[ImGuiCol_TabUnfocusedActive] = frame;
  c[ImGuiCol_PlotHistogram] = accent;
  c[ImGuiCol_TableHeaderBg] = ImVec4(0.16f, 0.175f, 0.20f, 1.0f);
  c[ImGuiCol_TableRowBgAlt] = ImVec4(1, 1, 1, 0.025f);
  c[ImGuiCol_NavHighlight] = accent;
  c[ImGuiCol_ModalWindowDimBg] = ImVec4(0, 0, 0, 0.5f);
  style.ScaleAllSizes(uiScale);
}

}  // namespace vn
