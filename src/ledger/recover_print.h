#pragma once
// Reading a Print's record back into what made the file: its events, its built
// results, its delivery groups and the clips it delivered.
#include <optional>
#include <string>
#include <vector>

#include "core/json_value.h"
#include "core/restore_events.h"
#include "core/session.h"
#include "ledger/print_index.h"
#include "ledger/print_record.h"

namespace vn {

struct RecoveredPrint {
  std::string printId;
  std::vector<Event> events;
  std::vector<Layer> results;  // eventIdx: positions in events; ids 1, 2, 3... as stored
  std::optional<TrackLayout> trackLayout;
  std::vector<DeliveredClip> deliveredClips;
};

// The record an index entry names, parsed; null when it cannot be read.
JsonValue readPrintRecord(const PrintIndexEntry& entry);

// Registers the record's fileRefs with the file-identity registry, so each layer's
// fileId gives its source's current path, and reads events, results, groups and
// delivered clips. None (with a log line) when the record cannot be read.
std::optional<RecoveredPrint> RecoverPrint(const PrintIndexEntry& entry);

// Reverting a delivered file to its sources: the recovered events and layers join
// the session, locked at their recorded times. None when the record cannot be read.
std::optional<RestoreCounts> RestorePrintInto(Session& session, const PrintIndexEntry& entry);

}  // namespace vn
