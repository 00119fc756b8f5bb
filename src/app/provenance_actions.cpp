#include "app/provenance_actions.h"

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/render_actions.h"
#include "core/restore_events.h"
#include "export/delivered_file_print.h"
#include "ledger/print_facts.h"
#include "ledger/recover_print.h"
#include "platform/paths.h"

namespace vn {

void showProvenance(AppState& app, const std::string& path) {
  ProvenanceView& view = app.provenance;
  view.file = path;
  view.print = ResolvePrintOfFile(path);
  view.lines.clear();
  if (view.print) {
    if (std::optional<PrintFacts> facts = ReadPrintFacts(*view.print)) view.lines = printFactsLines(*facts);
    else view.lines = {"Its record cannot be read; the ledger's index needs a rebuild."};
  } else {
    view.lines = {"No print matches " + path};
  }
  app.focusPanel = "Provenance";
}

void browseFindPrint(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Find Print", documentsFolder(), extensionFilter(".wav"),
                  [&app](const std::string& path) { app.commands.post({CommandId::FindPrint, path, -1}); });
}

bool revertToSource(AppState& app) {
  const ProvenanceView& view = app.provenance;
  if (!view.print) {
    setStatus(app, "No print to revert");
    return false;
  }
  std::optional<RecoveredPrint> recovered = RecoverPrint(*view.print);
  if (!recovered) {
    setStatus(app, "The print's record cannot be read");
    return false;
  }
  if (!beginEdit(app, "Revert to Source")) return false;
  const RestoreCounts counts =
      addRestoredEvents(app.session, std::move(recovered->events), std::move(recovered->results));
  refreshCacheAfterUndo(app);
  setStatus(app, restoredText(counts));
  return true;
}

bool acceptDeliveredFileDrop(AppState& app, const DroppedItem& item) {
  if (item.kind != DropKind::Audio || PrintTokenOfFile(item.path).empty()) return false;
  showProvenance(app, item.path);
  return true;
}

}  // namespace vn
