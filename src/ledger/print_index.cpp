#include "ledger/print_index.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/read_file.h"
#include "ledger/index_lock.h"
#include "ledger/prints_folder.h"
#include "library/text_column.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

// As a text stream writes it; a value that is not finite is written as 0, as in the record.
std::string streamNumber(double value) {
  std::ostringstream out;
  out << (std::isfinite(value) ? value : 0.0);
  return out.str();
}

double plainNumber(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  return end == text.c_str() || !std::isfinite(v) ? 0.0 : v;
}

int plainInt(const std::string& text) {
  const double v = plainNumber(text);
  return v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? -2147483647 - 1 : static_cast<int>(v);
}

std::vector<std::string> splitTabs(const std::string& row) {
  std::vector<std::string> columns;
  size_t start = 0;
  for (;;) {
    const size_t tab = row.find('\t', start);
    columns.push_back(row.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return columns;
}

int keyColumn(PrintKey key) {
  switch (key) {
    case PrintKey::PrintId: return 0;
    case PrintKey::PrintToken: return 1;
    case PrintKey::OutputHash: return 14;
    case PrintKey::PcmHash: return 15;
  }
  return 0;
}

// Column `index` of a row, as written (escaped); empty when the row is shorter.
std::string_view rawColumn(std::string_view row, int index) {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const size_t tab = row.find('\t', start);
    if (tab == std::string_view::npos) return {};
    start = tab + 1;
  }
  return row.substr(start, row.find('\t', start) - start);
}

// Whether a row's key column holds value: the hashes are written as they are,
// the text columns are compared unescaped (a plain one needs no unescaping).
bool rowMatches(std::string_view row, int column, const std::string& value) {
  const std::string_view raw = rawColumn(row, column);
  if (raw.find('\\') == std::string_view::npos) return raw == value;
  return UnescapeTextColumn(std::string(raw)) == value;
}

// Reads index.tsv and hands every row (not empty, not a comment) to take. False
// when a rebuild is required: a header other than the current one (said in its
// line), or no index at all while there are records.
template <typename Take>
bool scanIndex(Take take) {
  const std::string folder = PrintsFolder();
  std::string text, error;
  if (folder.empty() || !readWholeFile(pathJoin(folder, kIndexFileName), text, error) || text.empty()) {
    // No index yet, or one cut short before its header: nothing mismatches, but
    // records written without it still need their rows.
    std::error_code ec;
    return folder.empty() || !std::filesystem::exists(std::filesystem::path(folder) / "records", ec);
  }
  const std::string_view all(text);
  size_t end = all.find('\n');
  const std::string_view header = all.substr(0, end);
  if (header != kIndexHeader) {
    logLine("[Ledger] index header mismatch (%s) - rebuild required\n", std::string(header).c_str());
    return false;
  }
  while (end != std::string_view::npos) {
    const size_t start = end + 1;
    end = all.find('\n', start);
    const std::string_view row = all.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!row.empty() && row[0] != '#') take(row);
  }
  return true;
}

}  // namespace

std::string indexRowText(const PrintIndexEntry& e) {
  std::string row;
  auto text = [&](const std::string& value) {
    row += EscapeTextColumn(value);
    row += '\t';
  };
  auto number = [&](double value) {
    row += streamNumber(value);
    row += '\t';
  };
  text(e.printId);
  text(e.printToken);
  text(e.createdUTC);
  text(e.operation);
  text(e.outputName);
  text(e.outputPath);
  number(e.durationSec);
  number(e.startTC);
  number(e.sampleRate);
  number(e.channels);
  text(e.channelLayout);
  text(e.projectName);
  text(e.projectUuid);
  text(e.parentPrintId);
  // The hashes are hex digits by construction; they are written as they are.
  row += e.outputHash + '\t';
  row += e.pcmHash + '\t';
  row += EscapeTextColumn(e.recordPath);
  row += '\n';
  return row;
}

PrintIndexEntry parseIndexRow(const std::string& row) {
  std::vector<std::string> c = splitTabs(row);
  c.resize(kIndexColumns);
  PrintIndexEntry e;
  e.printId = UnescapeTextColumn(c[0]);
  e.printToken = UnescapeTextColumn(c[1]);
  e.createdUTC = UnescapeTextColumn(c[2]);
  e.operation = UnescapeTextColumn(c[3]);
  e.outputName = UnescapeTextColumn(c[4]);
  e.outputPath = UnescapeTextColumn(c[5]);
  e.durationSec = plainNumber(c[6]);
  e.startTC = plainNumber(c[7]);
  e.sampleRate = plainInt(c[8]);
  e.channels = plainInt(c[9]);
  e.channelLayout = UnescapeTextColumn(c[10]);
  e.projectName = UnescapeTextColumn(c[11]);
  e.projectUuid = UnescapeTextColumn(c[12]);
  e.parentPrintId = UnescapeTextColumn(c[13]);
  e.outputHash = c[14];
  e.pcmHash = c[15];
  e.recordPath = UnescapeTextColumn(c[16]);
  return e;
}

PrintIndexEntry indexEntryOfRecord(const JsonValue& r, const std::string& recordPath) {
  PrintIndexEntry e;
  e.printId = readString(r, "printId");
  e.printToken = readString(r, "printToken");
  e.createdUTC = readString(r, "createdUTC");
  e.operation = readString(r, "operation");
  e.outputName = readString(r, "outputName");
  e.outputPath = readString(r, "outputPath");
  auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
  e.durationSec = finite(member(r, "durationSec").number());
  e.startTC = finite(member(r, "startTC").number());
  e.sampleRate = readInt(r, "sampleRate", 0);
  e.channels = readInt(r, "channels", 0);
  e.channelLayout = readString(r, "channelLayout");
  const JsonValue& project = member(r, "project");
  e.projectName = readString(project, "name");
  e.projectUuid = readString(project, "uuid");
  e.parentPrintId = readString(r, "parentPrintId");
  // Only well-formed hashes reach the index: they are its unescaped columns.
  const std::string outputHash = readString(r, "outputHash");
  const std::string pcmHash = readString(member(r, "audioFingerprint"), "pcmHash");
  e.outputHash = parseHashText(outputHash) != 0 ? hashText(parseHashText(outputHash)) : std::string();
  e.pcmHash = parseHashText(pcmHash) != 0 ? hashText(parseHashText(pcmHash)) : std::string();
  e.recordPath = recordPath;
  return e;
}

std::string sourcesRowsText(const std::string& printId, const std::vector<PrintSource>& sources) {
  std::string rows;
  for (const PrintSource& s : sources) {
    rows += EscapeTextColumn(printId) + '\t' + EscapeTextColumn(s.fileId) + '\t';
    rows += (s.hash != 0 ? hashText(s.hash) : std::string()) + '\t' + std::to_string(s.size) + '\t';
    rows += EscapeTextColumn(s.role) + '\t' + EscapeTextColumn(s.libraryRelativePath) + '\t';
    rows += EscapeTextColumn(s.path) + '\n';
  }
  return rows;
}

IndexLoad LoadIndex() {
  IndexLoad load;
  load.rebuildRequired = !scanIndex([&](std::string_view row) {
    PrintIndexEntry e = parseIndexRow(std::string(row));
    if (!e.printId.empty()) load.entries.push_back(std::move(e));
  });
  return load;
}

bool RebuildIndex() {
  const std::string folder = PrintsFolder();
  if (folder.empty()) return false;
  std::vector<PrintIndexEntry> entries;
  std::error_code ec;
  const std::filesystem::path records = std::filesystem::path(folder) / "records";
  for (std::filesystem::recursive_directory_iterator it(records, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    if (!endsWithNoCase(path, ".json") || !it->is_regular_file(ec)) continue;
    std::string text, error;
    const JsonValue record = readWholeFile(path, text, error) ? parseJsonText(text) : JsonValue();
    PrintIndexEntry e = indexEntryOfRecord(record, path.substr(folder.size() + 1));
    if (!record.isObject() || e.printId.empty()) {
      logLine("[Ledger] rebuild: unparseable record skipped - %s\n", path.c_str());
      continue;
    }
    entries.push_back(std::move(e));
  }
  std::sort(entries.begin(), entries.end(), [](const PrintIndexEntry& a, const PrintIndexEntry& b) {
    return a.createdUTC != b.createdUTC ? a.createdUTC < b.createdUTC : a.printId < b.printId;
  });
  std::string text = std::string(kIndexHeader) + '\n';
  for (const PrintIndexEntry& e : entries) text += indexRowText(e);
  std::filesystem::create_directories(folder, ec);
  IndexLock lock(folder);
  if (!writeFileAtomic(pathJoin(folder, kIndexFileName), text).ok) {
    logLine("[Ledger] rebuild: index write FAILED\n");
    return false;
  }
  logLine("[Ledger] rebuilt index from %d record%s\n", static_cast<int>(entries.size()),
          plural(static_cast<int64_t>(entries.size())));
  return true;
}

std::vector<PrintIndexEntry> AllPrints() {
  IndexLoad load = LoadIndex();
  if (load.rebuildRequired) {
    RebuildIndex();
    load = LoadIndex();
  }
  return std::move(load.entries);
}

std::vector<PrintIndexEntry> FindPrints(PrintKey key, const std::string& value) {
  std::vector<PrintIndexEntry> found;
  if (value.empty()) return found;
  // Only the rows whose key column matches are parsed: a lookup costs little more
  // than reading the index.
  const int column = keyColumn(key);
  const auto take = [&](std::string_view row) {
    if (!rowMatches(row, column, value)) return;
    PrintIndexEntry e = parseIndexRow(std::string(row));
    if (!e.printId.empty()) found.push_back(std::move(e));
  };
  if (scanIndex(take)) return found;
  RebuildIndex();
  scanIndex(take);
  return found;
}

}  // namespace vn
