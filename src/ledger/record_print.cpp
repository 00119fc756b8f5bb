#include "ledger/record_print.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <mutex>

#include "ledger/index_lock.h"
#include "ledger/print_index.h"
#include "ledger/prints_folder.h"
#include "ledger/sidecar.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

std::mutex& ledgerMutex() {
  static std::mutex mutex;
  return mutex;
}

// Creates the table with its header when it is missing. The header goes in through
// a hard link of a finished file, so no process ever sees the table without it.
bool ensureTable(const std::string& path, const char* header) {
  if (fileExists(path)) return true;
  const std::string tmp = format("%s.%d.new", path.c_str(), static_cast<int>(::getpid()));
  if (!writeFileAtomic(tmp, std::string(header) + '\n').ok) return false;
  const bool made = ::link(tmp.c_str(), path.c_str()) == 0 || errno == EEXIST;
  ::unlink(tmp.c_str());
  return made;
}

// One write of all the rows, so a row from another process never lands inside them.
bool appendRows(const std::string& path, const char* header, const std::string& rows) {
  if (!ensureTable(path, header)) return false;
  if (rows.empty()) return true;
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t written = ::write(fd, rows.data(), rows.size());
  const bool ok = written == static_cast<ssize_t>(rows.size());
  return ::close(fd) == 0 && ok;
}

const std::vector<Event>& eventsOf(const PrintOutput& out, const PrintExtras& extras) {
  static const std::vector<Event> kNone;
  return extras.events ? *extras.events : out.session ? out.session->events : kNone;
}

const std::vector<Layer>& resultsOf(const PrintOutput& out, const PrintExtras& extras) {
  static const std::vector<Layer> kNone;
  return extras.results ? *extras.results : out.session ? out.session->results : kNone;
}

// A Print ready to commit: its record and the rows that index it.
struct PreparedPrint {
  std::string relative;  // the record's path inside the Prints folder
  std::string recordPath;
  std::string text;
  std::string indexRow;
  std::string sourcesRows;
  std::string printToken;
  std::string operation;
  int sources = 0;
};

// Everything but the writing; false when the identity is invalid or the record's
// folder cannot be made.
bool preparePrint(const std::string& folder, const PrintIdentity& identity, const PrintOutput& output,
                  const PrintExtras& extras, const OutputHashes& hashes, PreparedPrint& out) {
  if (identity.printId.size() != 32) {
    logLine("[Ledger] refusing to record: invalid print identity\n");
    return false;
  }
  PrintRecordInput in;
  in.identity = &identity;
  in.output = &output;
  in.extras = &extras;
  in.createdUTC = utcText(std::time(nullptr));
  in.operatorName = userName();
  in.machine = hostName();
  in.hashes = hashes;
  out.relative = recordRelativePath(in.createdUTC, identity.printId);
  out.recordPath = pathJoin(folder, out.relative);
  std::error_code ec;
  if (out.relative.empty()) ec = std::make_error_code(std::errc::invalid_argument);
  else std::filesystem::create_directories(parentFolder(out.recordPath), ec);
  if (ec) {
    logLine("[Ledger] cannot create records dir: %s\n", ec.message().c_str());
    return false;
  }
  out.text = printRecordText(in);

  const std::vector<PrintSource> sources = gatherPrintSources(eventsOf(output, extras), resultsOf(output, extras));
  PrintIndexEntry entry;
  entry.printId = identity.printId;
  entry.printToken = identity.printToken;
  entry.createdUTC = in.createdUTC;
  entry.operation = output.operation;
  entry.outputName = output.outputName;
  entry.outputPath = output.outputPath;
  entry.durationSec = output.durationSec;
  entry.startTC = output.startTC;
  entry.sampleRate = output.sampleRate;
  entry.channels = output.channels;
  entry.channelLayout = output.channelLayout;
  entry.projectName = output.projectName;
  entry.projectUuid = output.projectUuid;
  entry.parentPrintId = output.parentPrintId;
  entry.outputHash = hashes.outputHash != 0 ? hashText(hashes.outputHash) : std::string();
  entry.pcmHash = hashes.pcmHash != 0 ? hashText(hashes.pcmHash) : std::string();
  entry.recordPath = out.relative;
  out.indexRow = indexRowText(entry);
  out.sourcesRows = sourcesRowsText(identity.printId, sources);
  out.printToken = identity.printToken;
  out.operation = output.operation;
  out.sources = static_cast<int>(sources.size());
  return true;
}

// Writes the records (one disk commit for the whole batch), then appends the rows
// of those written under one hold of the index lock. Returns which were recorded.
std::vector<bool> commitPrints(const std::string& folder, const std::vector<PreparedPrint>& prints) {
  std::vector<FileContent> records;
  for (const PreparedPrint& p : prints) records.push_back({p.recordPath, p.text});
  const std::vector<WriteResult> written = writeFilesAtomic(records);
  std::vector<bool> recorded(prints.size(), false);
  std::string indexRows, sourcesRows;
  for (size_t i = 0; i < prints.size(); ++i) {
    if (!written[i].ok) {
      logLine("[Ledger] record write FAILED: %s\n", prints[i].recordPath.c_str());
      continue;
    }
    recorded[i] = true;
    indexRows += prints[i].indexRow;
    sourcesRows += prints[i].sourcesRows;
  }
  if (indexRows.empty()) return recorded;
  {
    IndexLock lock(folder);
    if (!appendRows(pathJoin(folder, kIndexFileName), kIndexHeader, indexRows))
      logLine("[Ledger] index append failed (record is safe; rebuild will heal)\n");
    appendRows(pathJoin(folder, kSourcesFileName), kSourcesHeader, sourcesRows);
  }
  for (size_t i = 0; i < prints.size(); ++i)
    if (recorded[i])
      logLine("[Ledger] recorded %s (%s) - %d sources \xe2\x86\x92 %s\n", prints[i].printToken.c_str(),
              prints[i].operation.c_str(), prints[i].sources, prints[i].recordPath.c_str());
  return recorded;
}

}  // namespace

std::string RecordPrint(const PrintIdentity& identity, const PrintOutput& output, const PrintExtras& extras,
                        std::string* recordText) {
  std::lock_guard guard(ledgerMutex());
  const std::string folder = PrintsFolder();
  if (folder.empty()) {
    logLine("[Ledger] no app data dir - print not recorded\n");
    return {};
  }
  const OutputHashes hashes = output.outputPath.empty() ? OutputHashes{} : ComputeOutputHashes(output.outputPath);
  std::vector<PreparedPrint> prints(1);
  if (!preparePrint(folder, identity, output, extras, hashes, prints[0])) return {};
  if (!commitPrints(folder, prints)[0]) return {};
  if (recordText) *recordText = std::move(prints[0].text);
  return prints[0].recordPath;
}

namespace {

// What one written file's Print says: its output, and the events and layers it holds.
struct FilePrint {
  const ExportedFile* file = nullptr;
  PrintOutput output;
  std::vector<Event> events;
  std::vector<Layer> results;
  bool someEvents = false;  // false: the whole session
};

FilePrint filePrintOf(const ExportedFile& file, const ExportPrintJob& job) {
  FilePrint p;
  p.file = &file;
  PrintOutput& out = p.output;
  out.operation = job.operationPrefix + "_" + file.kind;
  out.outputPath = file.path;
  out.outputName = fileNameOf(file.path);
  out.sampleRate = file.sampleRate;
  out.bitDepth = file.bitDepth;
  out.channels = file.channels;
  out.channelLayout = file.channelLayout;
  out.startTC = file.startSeconds;
  out.frames = file.frames > 0 ? static_cast<uint64_t>(file.frames) : 0;
  out.durationSec = file.sampleRate > 0 ? static_cast<double>(out.frames) / file.sampleRate : 0.0;
  out.parentPrintId = file.parentPrintId;
  out.projectName = job.projectName;
  out.projectUuid = job.projectUuid;
  out.projectPath = job.projectPath;
  out.session = job.session;
  if (job.session) {
    out.fps = job.session->settings.fps;
    out.videoPath = job.session->videoPath;
    out.videoStartTime = job.session->videoStartTime;
  }
  // A file of some events keeps those events and their layers, renumbered.
  if (job.session && !file.eventIndices.empty()) {
    p.someEvents = true;
    std::vector<int> newIndex(job.session->events.size(), -1);
    for (int at : file.eventIndices) {
      if (at < 0 || static_cast<size_t>(at) >= newIndex.size() || newIndex[static_cast<size_t>(at)] >= 0) continue;
      newIndex[static_cast<size_t>(at)] = static_cast<int>(p.events.size());
      p.events.push_back(job.session->events[static_cast<size_t>(at)]);
    }
    for (const Layer& l : job.session->results) {
      if (l.eventIdx < 0 || static_cast<size_t>(l.eventIdx) >= newIndex.size() || newIndex[static_cast<size_t>(l.eventIdx)] < 0)
        continue;
      if (!file.layerIds.empty() && std::find(file.layerIds.begin(), file.layerIds.end(), l.id) == file.layerIds.end())
        continue;
      p.results.push_back(l);
      p.results.back().eventIdx = newIndex[static_cast<size_t>(l.eventIdx)];
    }
  }
  return p;
}

}  // namespace

int RecordExportPrints(const std::vector<ExportedFile>& writtenFiles, const ExportPrintJob& job) {
  std::vector<FilePrint> files;
  for (const ExportedFile& file : writtenFiles)
    if (file.print.printId.size() == 32 && !file.path.empty()) files.push_back(filePrintOf(file, job));
  std::vector<std::string> texts;
  {
    std::lock_guard guard(ledgerMutex());
    const std::string folder = PrintsFolder();
    if (folder.empty() && !files.empty()) logLine("[Ledger] no app data dir - print not recorded\n");
    if (!folder.empty()) {
      std::vector<PreparedPrint> prints;
      for (size_t i = 0; i < files.size(); ++i) {
        const ExportedFile& file = *files[i].file;
        const OutputHashes hashes = file.hashes ? *file.hashes : ComputeOutputHashes(file.path);
        PrintExtras extras;
        extras.deliveredClips = file.deliveredClips;
        if (files[i].someEvents) {
          extras.events = &files[i].events;
          extras.results = &files[i].results;
        }
        PreparedPrint prepared;
        if (preparePrint(folder, file.print, files[i].output, extras, hashes, prepared))
          prints.push_back(std::move(prepared));
      }
      const std::vector<bool> recorded = commitPrints(folder, prints);
      for (size_t i = 0; i < prints.size(); ++i)
        if (recorded[i]) texts.push_back(std::move(prints[i].text));
    }
  }
  const int recorded = static_cast<int>(texts.size());
  if (recorded < static_cast<int>(writtenFiles.size()))
    logLine("[Ledger] recorded %d of %d written file(s)\n", recorded, static_cast<int>(writtenFiles.size()));
  WriteSidecar(job.outputFolder, job.exportName.empty() ? fileNameOf(job.outputFolder) : job.exportName, texts);
  return recorded;
}

}  // namespace vn
