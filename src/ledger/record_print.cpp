#include "ledger/record_print.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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

}  // namespace

std::string RecordPrint(const PrintIdentity& identity, const PrintOutput& output, const PrintExtras& extras,
                        std::string* recordText) {
  if (identity.printId.size() != 32) {
    logLine("[Ledger] refusing to record: invalid print identity\n");
    return {};
  }
  std::lock_guard guard(ledgerMutex());
  const std::string folder = PrintsFolder();
  if (folder.empty()) {
    logLine("[Ledger] no app data dir - print not recorded\n");
    return {};
  }
  PrintRecordInput in;
  in.identity = &identity;
  in.output = &output;
  in.extras = &extras;
  in.createdUTC = utcText(std::time(nullptr));
  in.operatorName = userName();
  in.machine = hostName();
  const std::string relative = recordRelativePath(in.createdUTC, identity.printId);
  const std::string recordPath = pathJoin(folder, relative);
  std::error_code ec;
  if (relative.empty()) ec = std::make_error_code(std::errc::invalid_argument);
  else std::filesystem::create_directories(parentFolder(recordPath), ec);
  if (ec) {
    logLine("[Ledger] cannot create records dir: %s\n", ec.message().c_str());
    return {};
  }
  if (!output.outputPath.empty()) in.hashes = ComputeOutputHashes(output.outputPath);
  std::string text = printRecordText(in);
  if (!writeFileAtomic(recordPath, text).ok) {
    logLine("[Ledger] record write FAILED: %s\n", recordPath.c_str());
    return {};
  }

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
  entry.outputHash = in.hashes.outputHash != 0 ? hashText(in.hashes.outputHash) : std::string();
  entry.pcmHash = in.hashes.pcmHash != 0 ? hashText(in.hashes.pcmHash) : std::string();
  entry.recordPath = relative;
  {
    IndexLock lock(folder);
    if (!appendRows(pathJoin(folder, kIndexFileName), kIndexHeader, indexRowText(entry)))
      logLine("[Ledger] index append failed (record is safe; rebuild will heal)\n");
    appendRows(pathJoin(folder, kSourcesFileName), kSourcesHeader, sourcesRowsText(identity.printId, sources));
  }
  logLine("[Ledger] recorded %s (%s) - %d sources \xe2\x86\x92 %s\n", identity.printToken.c_str(),
          output.operation.c_str(), static_cast<int>(sources.size()), recordPath.c_str());
  if (recordText) *recordText = std::move(text);
  return recordPath;
}

int RecordExportPrints(const std::vector<ExportedFile>& writtenFiles, const ExportPrintJob& job) {
  std::vector<std::string> texts;
  for (const ExportedFile& file : writtenFiles) {
    if (file.print.printId.size() != 32 || file.path.empty()) continue;
    PrintOutput out;
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
    PrintExtras extras;
    extras.deliveredClips = file.deliveredClips;
    // A file of some events keeps those events and their layers, renumbered.
    std::vector<Event> events;
    std::vector<Layer> results;
    if (job.session && !file.eventIndices.empty()) {
      std::vector<int> newIndex(job.session->events.size(), -1);
      for (int at : file.eventIndices) {
        if (at < 0 || static_cast<size_t>(at) >= newIndex.size() || newIndex[static_cast<size_t>(at)] >= 0) continue;
        newIndex[static_cast<size_t>(at)] = static_cast<int>(events.size());
        events.push_back(job.session->events[static_cast<size_t>(at)]);
      }
      for (const Layer& l : job.session->results) {
        if (l.eventIdx < 0 || static_cast<size_t>(l.eventIdx) >= newIndex.size() || newIndex[static_cast<size_t>(l.eventIdx)] < 0)
          continue;
        if (!file.layerIds.empty() && std::find(file.layerIds.begin(), file.layerIds.end(), l.id) == file.layerIds.end())
          continue;
        results.push_back(l);
        results.back().eventIdx = newIndex[static_cast<size_t>(l.eventIdx)];
      }
      extras.events = &events;
      extras.results = &results;
    }
    std::string text;
    if (!RecordPrint(file.print, out, extras, &text).empty()) texts.push_back(std::move(text));
  }
  const int recorded = static_cast<int>(texts.size());
  if (recorded < static_cast<int>(writtenFiles.size()))
    logLine("[Ledger] recorded %d of %d written file(s)\n", recorded, static_cast<int>(writtenFiles.size()));
  WriteSidecar(job.outputFolder, job.exportName.empty() ? fileNameOf(job.outputFolder) : job.exportName, texts);
  return recorded;
}

}  // namespace vn
