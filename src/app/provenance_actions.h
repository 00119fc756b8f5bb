#pragma once
// The Provenance panel's side of the ledger: which Print a delivered file is (from
// a drop or "Find Print…"), and reverting it to the events and layers that made it.
#include <optional>
#include <string>
#include <vector>

#include "ledger/print_index.h"

namespace vn {

struct AppState;
struct DroppedItem;

struct ProvenanceView {
  std::string file;                      // the delivered file asked about; empty: none yet
  std::optional<PrintIndexEntry> print;  // its Print, when one matched
  std::vector<std::string> lines;        // what the command line's "prints find" says
};

// Looks the file up and brings the Provenance panel to the front.
void showProvenance(AppState& app, const std::string& path);
// "Find Print…": a WAV chosen in the file browser.
void browseFindPrint(AppState& app);
// Adds the events and layers of the shown Print to the Session, locked, as one undo
// step; false (with a status text) when there is nothing to revert or it failed.
bool revertToSource(AppState& app);

// A dropped file that carries a print identity is a delivered file: its provenance is
// shown instead of it joining a Palette.
bool acceptDeliveredFileDrop(AppState& app, const DroppedItem& item);

}  // namespace vn
