#include "app/drop_actions.h"

#include "app/app_state.h"
#include "app/panels.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool offer(AppState& app, const PanelSpec* panel, const DroppedItem& item) {
  return panel && panel->acceptDrop && panel->acceptDrop(app, item);
}

// The panel that handles a kind wherever it is dropped.
const PanelSpec* homePanel(DropKind kind) {
  for (const PanelSpec& panel : panelList()) {
    if (!panel.acceptDrop) continue;
    if ((kind == DropKind::Folder || kind == DropKind::Audio) && std::string(panel.id) == "Library") return &panel;
    if (kind == DropKind::Video && panel.place == PanelPlace::Video) return &panel;
    if (kind == DropKind::Trace && std::string(panel.id) == "Trace") return &panel;
  }
  return nullptr;
}

}  // namespace

std::string panelAt(const AppState& app, float x, float y) {
  for (const PanelArea& area : app.panelAreas)
    if (x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1) return area.id;
  return {};
}

void handlePendingDrop(AppState& app) {
  if (!app.drop) return;
  const PendingDrop drop = std::move(*app.drop);
  app.drop.reset();
  const PanelSpec* under = findPanel(panelAt(app, drop.x, drop.y));
  app.dropX = drop.x;
  app.dropY = drop.y;
  for (const DroppedItem& item : drop.items) {
    if (item.kind == DropKind::Other) continue;
    if (item.kind == DropKind::Project) {
      app.commands.post({CommandId::OpenPath, item.path, -1});
      continue;
    }
    if (offer(app, under, item) || offer(app, homePanel(item.kind), item)) continue;
    setStatus(app, "This build cannot use " + fileNameOf(item.path) + " here");
  }
}

}  // namespace vn
