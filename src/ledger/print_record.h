#pragma once
// What a Print record says: the written file, the session it came from, the sound
// files behind it; and the text of the record as the ledger keeps it.
#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"
#include "ledger/print_hashes.h"
#include "ledger/print_identity.h"

namespace vn {

// The written file, filled by whoever wrote it.
struct PrintOutput {
  std::string operation;  // what produced the file ("export_mixdown", ...)
  std::string outputPath;
  std::string outputName;
  int sampleRate = 0;
  int bitDepth = 0;
  int channels = 0;
  std::string channelLayout;
  double startTC = 0.0;  // seconds
  double fps = 0.0;
  double durationSec = 0.0;
  uint64_t frames = 0;
  std::string parentPrintId;  // the Print this one was re-made from
  std::string projectName;
  std::string projectUuid;
  std::string projectPath;
  std::string videoPath;
  double videoStartTime = 0.0;
  const Session* session = nullptr;  // the events, results and sources
};

// One clip the export delivered and the results it carries.
struct DeliveredClip {
  std::string key;
  std::vector<Layer> results;
};

struct PrintExtras {
  // The events and results of this file; null: all of the session's. A result's
  // eventIdx is a position in the events given.
  const std::vector<Event>* events = nullptr;
  const std::vector<Layer>* results = nullptr;
  std::vector<DeliveredClip> deliveredClips;
};

// A sound file behind a Print, as the sources table lists it.
struct PrintSource {
  std::string fileId;
  std::string role;  // "primary", "alloyMid", "alloyHigh", "alloyEnv" or "pin"
  uint64_t hash = 0;
  uint64_t size = 0;
  std::string libraryRelativePath;  // empty when no Library root holds it
  std::string path;
};

// Every result's primary file (and an alloy layer's three sources) and every event's
// pinned files; each fileId and role once. Hash, size and path come from the
// file-identity registry when it knows the id.
std::vector<PrintSource> gatherPrintSources(const std::vector<Event>& events, const std::vector<Layer>& results);

struct PrintRecordInput {
  const PrintIdentity* identity = nullptr;
  const PrintOutput* output = nullptr;
  const PrintExtras* extras = nullptr;
  std::string createdUTC;
  OutputHashes hashes;
  std::string operatorName;
  std::string machine;
};

// The record's JSON text, ending in a line break.
std::string printRecordText(const PrintRecordInput& input);

}  // namespace vn
