#pragma once
// What a Print tells a user about a delivered file: who made it, when, where, how,
// from which project, and the layers with their source files found or missing on
// this machine. The command line prints these lines and the window shows them.
#include <optional>
#include <string>
#include <vector>

#include "ledger/print_index.h"
#include "library/locate_file_ref.h"

namespace vn {

struct PrintLayerFacts {
  std::string name;
  float startTime = 0.0f;
  float duration = 0.0f;
  std::vector<std::pair<std::string, LocatedFileRef>> sources;  // role, source
};

struct PrintFacts {
  PrintIndexEntry entry;
  std::string operatorName;
  std::string machine;
  std::string appVersion;
  int eventCount = 0;
  std::vector<PrintLayerFacts> layers;
  int missingSources = 0;  // distinct source files not found here
};

// The facts of the record an entry names; none when the record cannot be read.
std::optional<PrintFacts> ReadPrintFacts(const PrintIndexEntry& entry);

// The facts as text lines, without line feeds.
std::vector<std::string> printFactsLines(const PrintFacts& facts);

// One line for a list of Prints: when, token, operation, file and project.
std::string printListLine(const PrintIndexEntry& entry);

}  // namespace vn
