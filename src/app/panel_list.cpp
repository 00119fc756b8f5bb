#include "app/library_actions.h"
#include "app/panel_draw.h"
#include "app/panels.h"

namespace vn {

const std::vector<PanelSpec>& panelList() {
  // Side tabs appear in this order; the View menu finds panels by id.
  static const std::vector<PanelSpec> list = {
      {"Toolbar", PanelPlace::Toolbar, drawToolbarPanel},
      {"Events", PanelPlace::SideTab, drawEventsPanel},
      {"Library", PanelPlace::SideTab, drawLibraryPanel, nullptr, acceptLibraryDrop},
      {"Project", PanelPlace::SideTab, drawProjectPanel},
      {"Mixer", PanelPlace::SideTab, drawMixerPanel},
      {"Settings", PanelPlace::SideTab, drawSettingsPanel},
      {"Inspector", PanelPlace::Inspector, drawInspectorPanel},
      {"Timeline", PanelPlace::Timeline, drawTimelinePanel},
  };
  return list;
}

const PanelSpec* findPanel(const std::string& id) {
  for (const PanelSpec& panel : panelList())
    if (id == panel.id) return &panel;
  return nullptr;
}

}  // namespace vn
