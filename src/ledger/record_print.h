#pragma once
// Recording Prints: one record per written file, its index row and its sources rows.
#include <optional>
#include <string>
#include <vector>

#include "ledger/print_hashes.h"
#include "ledger/print_identity.h"
#include "ledger/print_record.h"

namespace vn {

// Writes the record, then appends its index row and sources rows. Returns the
// record's path (empty on failure); recordText, when given, receives the record's text.
std::string RecordPrint(const PrintIdentity& identity, const PrintOutput& output, const PrintExtras& extras = {},
                        std::string* recordText = nullptr);

// One file an export wrote, with the identity it was given before it was written.
struct ExportedFile {
  std::string path;
  std::string kind;  // "mixdown", "stem", "track", "clip", ... (the operation is "export_" + kind)
  PrintIdentity print;
  int sampleRate = 0;
  int bitDepth = 24;
  int channels = 0;
  std::string channelLayout;
  double startSeconds = 0.0;  // timeline seconds of the first sample
  int64_t frames = 0;
  int trackIndex = -1;  // the delivery track, -1 when the file is not one track
  // Positions in the session of the events whose layers the file holds; empty: all.
  std::vector<int> eventIndices;
  // Ids of the layers the file holds, when it holds only some of its events' layers
  // (a clip holds one); empty: every layer of those events.
  std::vector<uint32_t> layerIds;
  std::vector<DeliveredClip> deliveredClips;
  std::string parentPrintId;
  std::optional<OutputHashes> hashes;  // fingerprinted already; empty: recording reads the file
};

// The export the files belong to.
struct ExportPrintJob {
  const Session* session = nullptr;
  std::string operationPrefix = "export";
  std::string projectName;
  std::string projectUuid;
  std::string projectPath;
  std::string outputFolder;  // where the sidecar goes
  std::string exportName;    // the sidecar's base name; empty: the folder's name
};

// Records every file whose printId has 32 characters and whose path is set, then
// writes the sidecar with the records' texts. Returns the number recorded.
int RecordExportPrints(const std::vector<ExportedFile>& writtenFiles, const ExportPrintJob& job);

}  // namespace vn
