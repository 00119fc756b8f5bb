#include "library/index_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>

#include "library/file_identity.h"
#include "library/multimono.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr std::string_view kVersionPrefix = "# Varnel SFX Library v";
constexpr std::string_view kFolderPrefix = "# folder: ";
constexpr std::string_view kFilesPrefix = "# files: ";
constexpr std::string_view kScannedPrefix = "# scanned: ";
constexpr std::string_view kPalettePrefix = "# savedPalette: ";
constexpr std::string_view kInterpretPrefix = "# paletteInterpret: ";
constexpr std::string_view kNoGroupingPrefix = "# mmDisableGrouping: ";
constexpr std::string_view kPreviousNamePrefix = "# previousName: ";

// Six significant digits, fixed or exponent form, as a text stream writes a float.
void appendFloat(std::string& out, float v) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
  out.append(buf, res.ptr);
}

template <typename Int>
void appendInt(std::string& out, Int v) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void appendHex16(std::string& out, uint64_t v) {
  char buf[17];
  auto res = std::to_chars(buf, buf + sizeof buf, v, 16);
  out.append(16 - static_cast<size_t>(res.ptr - buf), '0');
  out.append(buf, res.ptr);
}

// Whole-column parses: anything that is not entirely a number gives nullopt, so a
// damaged column never borrows text from its neighbour.
template <typename T>
std::optional<T> parseWhole(std::string_view text, int base = 10) {
  T v{};
  auto res = std::from_chars(text.data(), text.data() + text.size(), v, base);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

float floatColumn(std::string_view text) {
  float v = 0.0f;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(v))
    return 0.0f;
  return v;
}

int intColumn(std::string_view text, int fallback, int lo, int hi) {
  auto v = parseWhole<long long>(text);
  if (!v) return fallback;
  return static_cast<int>(std::clamp<long long>(*v, lo, hi));
}

// Cuts a record line at tabs, column by column; the last text columns may take
// the whole rest of the line.
struct ColumnCursor {
  std::string_view rest;
  bool exhausted = false;

  std::string_view next() {
    if (exhausted) return {};
    size_t tab = rest.find('\t');
    std::string_view col = rest.substr(0, tab);
    if (tab == std::string_view::npos) {
      exhausted = true;
      rest = {};
    } else {
      rest.remove_prefix(tab + 1);
    }
    return col;
  }

  std::string_view remainder() {
    std::string_view all = exhausted ? std::string_view() : rest;
    exhausted = true;
    rest = {};
    return all;
  }
};

std::string formatRecordLine(const LibraryRecord& r) {
  std::string line;
  line.reserve(256 + r.path.size() + r.description.size() + r.keywords.size());
  auto tab = [&] { line += '\t'; };
  line += EscapeTextColumn(r.path);
  tab();
  line += EscapeTextColumn(r.name);
  tab();
  appendFloat(line, r.duration);
  tab();
  appendFloat(line, r.sampleRate);
  tab();
  appendInt(line, r.channels);
  tab();
  appendInt(line, r.bitDepth);
  for (float share : r.bandShare) {
    tab();
    appendFloat(line, share);
  }
  for (float v : {r.centroid, r.highRatio, r.brightness, r.dynamicRangeDb, r.peakPosition, r.zeroCrossRate,
                  r.crestDb, r.rmsDb, r.temporalCentroid, r.spectralFlux, r.pitchHz}) {
    tab();
    appendFloat(line, v);
  }
  tab();
  appendInt(line, r.midiNote);
  for (float v : {r.pitchCents, r.pitchConfidence, r.flatness, r.harmonicRatio, r.onsetPosition, r.attackTime}) {
    tab();
    appendFloat(line, v);
  }
  tab();
  line += r.fileId;
  tab();
  appendHex16(line, r.contentHash);
  tab();
  appendInt(line, r.fileSize);
  tab();
  appendInt(line, r.modifiedTime);
  tab();
  appendInt(line, r.groupId);
  tab();
  appendInt(line, r.layout);
  tab();
  appendInt(line, r.layoutOverride);
  tab();
  appendFloat(line, r.inharmonicity);
  tab();
  line += EscapeTextColumn(r.description);
  tab();
  line += EscapeTextColumn(r.keywords);
  line += '\n';
  return line;
}

// Reads one record line with the column rules of the given schema version.
bool parseRecordLine(std::string_view line, int version, LibraryRecord& r) {
  ColumnCursor cols{line};
  r.path = UnescapeTextColumn(cols.next());
  r.name = UnescapeTextColumn(cols.next());
  r.duration = std::max(0.0f, floatColumn(cols.next()));
  r.sampleRate = std::max(0.0f, floatColumn(cols.next()));
  r.channels = intColumn(cols.next(), 0, 0, 64);
  r.bitDepth = intColumn(cols.next(), 0, 0, 64);
  for (float& share : r.bandShare) share = floatColumn(cols.next());
  for (float* v : {&r.centroid, &r.highRatio, &r.brightness, &r.dynamicRangeDb, &r.peakPosition,
                   &r.zeroCrossRate, &r.crestDb, &r.rmsDb, &r.temporalCentroid, &r.spectralFlux, &r.pitchHz})
    *v = floatColumn(cols.next());
  r.midiNote = intColumn(cols.next(), 0, -1, 127);
  for (float* v : {&r.pitchCents, &r.pitchConfidence, &r.flatness, &r.harmonicRatio, &r.onsetPosition,
                   &r.attackTime})
    *v = floatColumn(cols.next());
  if (version >= 4) {
    r.fileId = std::string(cols.next());
    r.contentHash = parseWhole<uint64_t>(cols.next(), 16).value_or(0);
    r.fileSize = parseWhole<uint64_t>(cols.next()).value_or(0);
  }
  if (version >= 5) r.modifiedTime = parseWhole<int64_t>(cols.next()).value_or(0);
  if (version >= 6) r.groupId = parseWhole<uint64_t>(cols.next()).value_or(0);
  if (version >= 7) r.layout = intColumn(cols.next(), -1, -1, 10);
  if (version >= 8) r.layoutOverride = intColumn(cols.next(), 0, 0, 3);
  if (version >= 10) r.inharmonicity = floatColumn(cols.next());
  if (version < 9) {
    r.description = UnescapeTextColumn(cols.remainder());
  } else {
    r.description = UnescapeTextColumn(cols.next());
    r.keywords = UnescapeTextColumn(cols.remainder());
  }
  return !r.path.empty();
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Header values are read like a person would write them: leading blanks skipped,
// the number that follows taken, anything after it ignored; 0 when there is none.
long long leadingNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  return res.ec == std::errc() ? v : 0;
}

int clampedInt(std::string_view text) {
  return static_cast<int>(std::clamp<long long>(leadingNumber(text), std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

void readHeaderLine(std::string_view line, Library& library, int& version) {
  if (startsWith(line, kVersionPrefix)) {
    version = clampedInt(line.substr(kVersionPrefix.size()));
    library.schemaVersion = version;
  } else if (startsWith(line, kFolderPrefix)) {
    library.folder = std::string(line.substr(kFolderPrefix.size()));
  } else if (startsWith(line, kScannedPrefix)) {
    library.scanned = leadingNumber(line.substr(kScannedPrefix.size()));
  } else if (startsWith(line, kPalettePrefix)) {
    library.savedPalette = true;
  } else if (startsWith(line, kInterpretPrefix)) {
    library.paletteInterpret = std::clamp(clampedInt(line.substr(kInterpretPrefix.size())), 0, 3);
  } else if (startsWith(line, kNoGroupingPrefix)) {
    library.mmDisableGrouping = true;
  } else if (startsWith(line, kPreviousNamePrefix)) {
    library.previousNames.emplace_back(line.substr(kPreviousNamePrefix.size()));
  }
}

}  // namespace

bool WriteLibraryFile(const Library& library, const std::string& path) {
  std::string text;
  text.reserve(256 + library.records.size() * 320);
  text += kVersionPrefix;
  appendInt(text, kLibrarySchemaVersion);
  text += '\n';
  text += kFolderPrefix;
  text += library.folder;
  text += '\n';
  text += kFilesPrefix;
  appendInt(text, library.records.size());
  text += '\n';
  if (library.scanned > 0) {
    text += kScannedPrefix;
    appendInt(text, library.scanned);
    text += '\n';
  }
  if (library.savedPalette) text += "# savedPalette: 1\n";
  if (library.paletteInterpret != 0) {
    text += kInterpretPrefix;
    appendInt(text, library.paletteInterpret);
    text += '\n';
  }
  if (library.mmDisableGrouping) text += "# mmDisableGrouping: 1\n";
  for (const std::string& previous : library.previousNames) {
    text += kPreviousNamePrefix;
    text += previous;
    text += '\n';
  }
  for (const LibraryRecord& record : library.records) text += formatRecordLine(record);
  return writeFileAtomic(path, text).ok;
}

bool ReadLibraryFile(const std::string& path, Library& library) {
  if (!fileExists(path)) return false;  // a folder or a device is no index file
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  std::streamoff size = in.tellg();
  std::string content(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  in.seekg(0);
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  content.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));

  int version = 3;
  library.schemaVersion = 3;
  std::string_view rest = content;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    // A file that passed through a CRLF conversion keeps its columns.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') {
      readHeaderLine(line, library, version);
      continue;
    }
    LibraryRecord record;
    if (!parseRecordLine(line, version, record)) continue;
    if (!record.fileId.empty()) RegisterFileId(record.fileId, record.path, record.contentHash, record.fileSize);
    library.records.push_back(std::move(record));
  }

  library.name = stemOf(path);
  if (library.schemaVersion > kLibrarySchemaVersion)
    logLine("[Library] %s was written by schema v%d (newer than v%d) - reading the columns this version knows.\n",
            library.name.c_str(), library.schemaVersion, kLibrarySchemaVersion);
  if (library.mmDisableGrouping) {
    for (LibraryRecord& record : library.records) {
      record.groupId = 0;
      record.groupChannel = -1;
    }
  } else {
    GroupMultiMono(library.records);
  }
  return !library.records.empty() || !library.folder.empty();
}

}  // namespace vn
