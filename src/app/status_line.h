#pragma once
#include <imgui.h>

namespace vn {

struct AppState;

// The status line at the foot of the window: the last status text, the progress of
// background jobs, and the project's name, state and format.
void drawStatusLine(AppState& app, ImVec2 pos, ImVec2 size);

}  // namespace vn
