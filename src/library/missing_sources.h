#pragma once
// The missing sources as the user sees them: which events and Palettes use each,
// and bringing a session's sound paths up to date after a relink.
#include <string>
#include <vector>

#include "core/session.h"
#include "library/file_identity.h"

namespace vn {

struct MissingSourceRow {
  FileIdentity source;  // its currentPath is the last-known location
  int events = 0;       // events whose layers or pinned files use it
  int palettes = 0;     // Palettes that contain it
};

// Every missing source of the registry, with its use in session and the Palettes.
std::vector<MissingSourceRow> ListMissingSources(const Session& session);

// "used by 2 events, 1 palette", or "used by 1 event" when no Palette holds it.
std::string MissingSourceUsage(const MissingSourceRow& row);

// Gives every layer, Alloy source and pinned file that has a library id the
// current path the registry knows for it, and lists the layer files still absent
// in missingFiles. Returns the number of paths that changed.
int ApplyCurrentSourcePaths(Session& session);

}  // namespace vn
