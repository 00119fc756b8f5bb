// The Delivery panel: how the session fits the tracks its busses declare, as the
// delivery report will say it, redrawn whenever the layout or the busses change.
#include <imgui.h>

#include "app/app_state.h"
#include "app/delivery_actions.h"
#include "app/edit_actions.h"
#include "app/panel_draw.h"
#include "app/widgets.h"
#include "platform/text.h"

namespace vn {

namespace {

constexpr const char* kChannelModes[2] = {
    "Conform to layout - folds and converts to your declared tracks",
    "Keep source channels - every layer as it is, nothing folded",
};

}  // namespace

void deliveryChannelModeChoice(AppState& app) {
  bool& keep = app.session.exportSettings.exportAAFSourceChannels;
  ImGui::SetNextItemWidth(-1.0f);
  if (ImGui::BeginCombo("##aafchannelmode", kChannelModes[keep ? 1 : 0])) {
    for (int mode = 0; mode < 2; ++mode)
      if (ImGui::Selectable(kChannelModes[mode], (keep ? 1 : 0) == mode) && beginEdit(app, "Delivery channels"))
        keep = mode == 1;
    ImGui::EndCombo();
  }
}

void drawDeliveryPanel(AppState& app) {
  sectionTitle("Delivery");
  deliveryChannelModeChoice(app);
  const DeliveryResult& r = refreshDeliveryPreview(app);
  if (r.conformed) {
    ImGui::TextDisabled("%s", format("%d track%s -> %d, %d fold%s, %d layer%s not fitting", r.tracksBefore,
                                     plural(r.tracksBefore), r.tracksAfter, r.folds, plural(r.folds), r.notFitting,
                                     plural(r.notFitting))
                                  .c_str());
  }
  ImGui::Separator();
  ImGui::BeginChild("##delivery_report", ImVec2(0, 0), false, ImGuiWindowFlags_HorizontalScrollbar);
  ImGui::TextUnformatted(r.report.c_str());
  ImGui::EndChild();
}

}  // namespace vn
