#pragma once
// The ledger's index: one tab-separated row of 17 columns per Print, always
// rebuildable from the records, and the lookups over it.
#include <cstdint>
#include <string>
#include <vector>

#include "core/json_value.h"
#include "ledger/print_record.h"

namespace vn {

struct PrintIndexEntry {
  std::string printId;
  std::string printToken;
  std::string createdUTC;
  std::string operation;
  std::string outputName;
  std::string outputPath;
  double durationSec = 0.0;
  double startTC = 0.0;
  int sampleRate = 0;
  int channels = 0;
  std::string channelLayout;
  std::string projectName;
  std::string projectUuid;
  std::string parentPrintId;
  std::string outputHash;  // "%016llx" or empty
  std::string pcmHash;     // "%016llx" or empty
  std::string recordPath;  // relative to the Prints folder
};

constexpr int kIndexColumns = 17;

// The row of an entry, ending in a line feed.
std::string indexRowText(const PrintIndexEntry& entry);
// An entry from one row (without its line feed); missing columns read as empty.
PrintIndexEntry parseIndexRow(const std::string& row);
// The entry a parsed record gives, with the record's path relative to the Prints folder.
PrintIndexEntry indexEntryOfRecord(const JsonValue& record, const std::string& recordPath);

// The rows of the sources of one Print, each ending in a line feed.
std::string sourcesRowsText(const std::string& printId, const std::vector<PrintSource>& sources);

struct IndexLoad {
  bool rebuildRequired = false;
  std::vector<PrintIndexEntry> entries;
};

// Reads index.tsv; a header other than the current one asks for a rebuild (with its
// line), and so does a missing or empty index when there are records to index.
IndexLoad LoadIndex();
// Writes index.tsv anew from every record; false when it could not be written.
bool RebuildIndex();

enum class PrintKey { PrintId, PrintToken, OutputHash, PcmHash };
// The entries whose column equals value exactly; rebuilds first when the index asks for it.
std::vector<PrintIndexEntry> FindPrints(PrintKey key, const std::string& value);
// Every entry, rebuilding first when needed.
std::vector<PrintIndexEntry> AllPrints();

}  // namespace vn
