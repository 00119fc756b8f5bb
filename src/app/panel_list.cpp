#include "app/library_actions.h"
#include "app/panel_draw.h"
#include "app/panels.h"
#include "app/picture_panels.h"

namespace vn {

const std::vector<PanelSpec>& panelList() {
  // Side tabs appear in this order; the View menu finds panels by id.
  static const std::vector<PanelSpec> list = {
      {"Toolbar", PanelPlace::Toolbar, drawToolbarPanel},
      {"Events", PanelPlace::SideTab, drawEventsPanel},
      {"Library", PanelPlace::SideTab, drawLibraryPanel, nullptr, acceptLibraryDrop},
      {"Recipes", PanelPlace::SideTab, drawRecipesPanel},
      {"Project", PanelPlace::SideTab, drawProjectPanel},
      {"Trace", PanelPlace::SideTab, drawTracePanel, nullptr, acceptTraceDrop},
      {"Mixer", PanelPlace::SideTab, drawMixerPanel},
      {"Export", PanelPlace::SideTab, drawExportPanel},
      {"Delivery", PanelPlace::SideTab, drawDeliveryPanel},
      {"Settings", PanelPlace::SideTab, drawSettingsPanel},
      {"Provenance", PanelPlace::SideTab, drawProvenancePanel, nullptr, acceptProvenanceDrop},
      {"Inspector", PanelPlace::Inspector, drawInspectorPanel},
      {"Video", PanelPlace::Video, drawVideoPanel, videoPanelShown, acceptVideoDrop},
      {"Timeline", PanelPlace::Timeline, drawTimelinePanel, nullptr, acceptTimelineDrop},
  };
  return list;
}

const PanelSpec* findPanel(const std::string& id) {
  for (const PanelSpec& panel : panelList())
    if (id == panel.id) return &panel;
  return nullptr;
}

}  // namespace vn
