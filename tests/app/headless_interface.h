#pragma once
// An interface context without a window or graphics: frames are laid out and drawn
// into draw lists exactly as on screen, with the mouse driven by the test.
#include <imgui.h>

#include "app/app_state.h"

namespace vn::test {

class HeadlessInterface {
 public:
  explicit HeadlessInterface(float width = 1600, float height = 1000);
  ~HeadlessInterface();

  // One frame: queued commands, then the whole interface.
  void frame(AppState& app);
  void frames(AppState& app, int count);
  void mouseTo(float x, float y) { ImGui::GetIO().MousePos = ImVec2(x, y); }
  void button(bool down) { ImGui::GetIO().MouseDown[0] = down; }
  // Presses at from, drags to to in steps, releases; a frame after each move.
  void drag(AppState& app, ImVec2 from, ImVec2 to, int steps = 6);
};

}  // namespace vn::test
