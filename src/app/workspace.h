#pragma once
// The main window's layout: the toolbar strip, the panel column on the left, the
// inspector on the right, the video area and the timeline in the middle and the status
// line at the bottom. Areas follow the window size every frame.
namespace vn {

struct AppState;

struct WorkspaceAreas {
  float left, top, right, bottom;  // the work area under the menu bar
  float toolbarHeight, statusHeight, sideWidth, inspectorWidth;
};

WorkspaceAreas workspaceAreas(float left, float top, float width, float height, float uiScale);

// Draws every panel in its area.
void drawWorkspace(AppState& app);

}  // namespace vn
