#pragma once
// The panels of the main window, listed in one place (panel_list.cpp). Each panel is
// its own file with one draw function; the workspace gives it its area every frame.
#include <string>
#include <vector>

namespace vn {

struct AppState;
struct DroppedItem;

enum class PanelPlace {
  Toolbar,    // a strip under the menu bar, drawn left to right
  SideTab,    // a tab of the panel column on the left
  Inspector,  // the column on the right
  Video,      // above the timeline, while shown() says so
  Timeline,   // the main area
};

struct PanelSpec {
  const char* id;     // also the tab label, and what the View menu brings to the front
  PanelPlace place;
  void (*draw)(AppState& app);
  bool (*shown)(const AppState& app) = nullptr;  // null: always
  // Offered the dropped folders and files that land on the panel (and, when no panel
  // under the cursor takes them, the folders and sound files that a Library panel takes
  // anywhere); true when the panel used the item.
  // Where the drop landed is in AppState::dropX and dropY while it is offered.
  bool (*acceptDrop)(AppState& app, const DroppedItem& item) = nullptr;
};

// Where a panel was drawn in the last frame, in interface coordinates.
struct PanelArea {
  std::string id;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

const std::vector<PanelSpec>& panelList();
const PanelSpec* findPanel(const std::string& id);

}  // namespace vn
