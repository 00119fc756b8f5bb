#include "headless_interface.h"

#include "app/fonts.h"
#include "app/frame.h"
#include "app/theme.h"

namespace vn::test {

HeadlessInterface::HeadlessInterface(float width, float height) {
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(width, height);
  io.DeltaTime = 1.0f / 60.0f;
  loadInterfaceFonts(1.0f, 1);
  applyDarkTheme(1.0f);
}

HeadlessInterface::~HeadlessInterface() { ImGui::DestroyContext(); }

void HeadlessInterface::frame(AppState& app) {
  app.now += 1.0 / 60.0;
  prepareFrame(app, 1.0 / 60.0);
  ImGui::NewFrame();
  drawInterface(app);
  ImGui::Render();
}

void HeadlessInterface::frames(AppState& app, int count) {
  for (int i = 0; i < count; ++i) frame(app);
}

void HeadlessInterface::drag(AppState& app, ImVec2 from, ImVec2 to, int steps) {
  mouseTo(from.x, from.y);
  frame(app);
  button(true);
  frame(app);
  for (int i = 1; i <= steps; ++i) {
    mouseTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    frame(app);
  }
  button(false);
  frame(app);
  frame(app);
}

}  // namespace vn::test
