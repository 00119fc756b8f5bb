#include "library/scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <unordered_map>

#include "library/analyse_file.h"
#include "library/file_identity.h"
#include "library/index_file.h"
#include "library/libraries.h"
#include "library/library_summary.h"
#include "library/multimono.h"
#include "library/scan_walk.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr int kCheckpointEvery = 500;

// What the workers share. Each result slot is written by one worker only and
// published through its done flag.
struct ScanWork {
  const ScanRequest& request;
  ScanStatus& status;
  const Library& shell;  // folder, name and flags of the Library being built
  const std::string& indexPath;
  const std::vector<std::string>& files;
  std::unordered_map<std::string, LibraryRecord>& reusable;  // each path is taken once
  std::vector<LibraryRecord> results;
  std::unique_ptr<std::atomic<bool>[]> done;
  std::atomic<size_t> next{0};
  std::atomic<int> sinceCheckpoint{0};
  std::atomic<bool> analysedSinceCheckpoint{false};
  std::mutex checkpointMutex;
};

void SetText(ScanStatus& status, std::string ScanStatus::*field, std::string text) {
  std::lock_guard lock(status.textMutex);
  (status.*field) = text.substr(0, 255);
}

bool Unchanged(const LibraryRecord& old, const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  const int64_t modified = static_cast<int64_t>(st.st_mtime);
  return static_cast<uint64_t>(st.st_size) == old.fileSize && modified != 0 && modified == old.modifiedTime;
}

// The old index's records worth reusing, keyed by path; carries the Library-wide
// settings of the old index into the new Library in every case.
std::unordered_map<std::string, LibraryRecord> ReusableRecords(const std::string& indexPath, bool force,
                                                               Library& library) {
  std::unordered_map<std::string, LibraryRecord> reusable;
  Library old;
  if (indexPath.empty() || !ReadLibraryFile(indexPath, old)) return reusable;
  library.paletteInterpret = old.paletteInterpret;
  library.mmDisableGrouping = old.mmDisableGrouping;
  if (old.schemaVersion < kLibrarySchemaVersion) {
    logLine("[Library] %s was written by schema v%d (current v%d) - re-analysing every file.\n", library.name.c_str(),
            old.schemaVersion, kLibrarySchemaVersion);
    return reusable;
  }
  if (force) return reusable;
  for (LibraryRecord& record : old.records) reusable.emplace(record.path, std::move(record));
  return reusable;
}

// The done records in file order: copies while the workers run, moved out once
// they have finished.
std::vector<LibraryRecord> DoneRecords(ScanWork& work, bool workersFinished) {
  std::vector<LibraryRecord> records;
  for (size_t i = 0; i < work.files.size(); ++i) {
    if (!work.done[i].load(std::memory_order_acquire)) continue;
    if (workersFinished) {
      records.push_back(std::move(work.results[i]));
    } else {
      records.push_back(work.results[i]);
    }
  }
  return records;
}

// A checkpoint keeps analysis work safe. When every file since the last one was
// reused, the index on disk already holds those records and is left alone: a write
// then would only cost a flush to disk and drop the records not yet reached.
void WriteCheckpoint(ScanWork& work) {
  if (work.indexPath.empty()) return;
  std::lock_guard lock(work.checkpointMutex);
  if (!work.analysedSinceCheckpoint.exchange(false)) return;
  Library snapshot = work.shell;
  snapshot.records = DoneRecords(work, false);
  WriteLibraryFile(snapshot, work.indexPath);
}

void ProcessFile(ScanWork& work, AnalysisWorkingSet& set, size_t index) {
  const std::string& path = work.files[index];
  LibraryRecord& slot = work.results[index];
  auto old = work.reusable.find(path);
  if (old != work.reusable.end() && Unchanged(old->second, path)) {
    slot = std::move(old->second);
    if (!slot.fileId.empty()) RegisterFileId(slot.fileId, path, slot.contentHash, slot.fileSize);
    work.done[index].store(true, std::memory_order_release);
    ++work.status.reused;
    return;
  }
  std::string why;
  if (AnalyseFile(path, slot, set, &why)) {
    work.done[index].store(true, std::memory_order_release);
    work.analysedSinceCheckpoint = true;
    ++work.status.analysed;
    return;
  }
  slot = LibraryRecord{};
  std::lock_guard lock(work.status.textMutex);
  work.status.failedFiles.push_back({path, why});
}

void RunWorker(ScanWork& work) {
  AnalysisWorkingSet set;
  set.channelOrderFallback = work.request.channelOrderFallback;
  const size_t total = work.files.size();
  while (work.status.running.load()) {
    const size_t index = work.next.fetch_add(1);
    if (index >= total) break;
    ProcessFile(work, set, index);
    const int processed = ++work.status.processed;
    work.status.progress = static_cast<float>(processed) / static_cast<float>(total);
    if (work.sinceCheckpoint.fetch_add(1) + 1 == kCheckpointEvery) {
      work.sinceCheckpoint.fetch_sub(kCheckpointEvery);
      WriteCheckpoint(work);
    }
  }
}

int WorkerCount(int maxThreads, size_t files) {
  const unsigned cores = std::thread::hardware_concurrency();
  size_t workers = cores == 0 ? 4 : cores;
  if (maxThreads > 0) workers = std::min(workers, static_cast<size_t>(maxThreads));
  workers = std::min(workers, files);
  return static_cast<int>(std::max<size_t>(workers, 1));
}

void RunWorkers(ScanWork& work) {
  const int count = WorkerCount(work.request.maxThreads, work.files.size());
  if (count == 1) {
    RunWorker(work);
    return;
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) threads.emplace_back(RunWorker, std::ref(work));
  for (std::thread& t : threads) t.join();
}

void GroupAndSummarise(Library& library) {
  if (library.mmDisableGrouping) {
    for (LibraryRecord& r : library.records) {
      r.groupId = 0;
      r.groupChannel = -1;
    }
  } else {
    GroupMultiMono(library.records);
  }
  SummariseLibrary(library);
}

}  // namespace

void ScanFolder(const ScanRequest& request) {
  ScanStatus& status = *request.status;
  Library library;
  library.folder = request.folder;
  library.name = LibraryNameForFolder(request.folder);
  library.rootEnabled = request.rootEnabled;
  library.rootNumber = request.rootNumber;
  library.schemaVersion = kLibrarySchemaVersion;
  const std::string indexPath = LibraryIndexPath(library.name);
  if (!indexPath.empty()) ensureAppDataFolder();

  WalkResult walk = WalkAudioFiles(request.folder, [&] { return status.running.load(); });
  if (walk.failed) {
    SetText(status, &ScanStatus::error,
            walk.error.empty() ? "Scan interrupted: folder became inaccessible" : "Scan interrupted: " + walk.error);
  }
  std::vector<std::string>& files = walk.files;
  status.total = static_cast<int32_t>(files.size());
  if (files.empty()) {
    SetText(status, &ScanStatus::message, "No audio files found.");
    status.running = false;
    return;
  }
  std::sort(files.begin(), files.end());
  auto reusable = ReusableRecords(indexPath, request.force, library);

  ScanWork work{request, status, library, indexPath, files, reusable, {}, {}, {}, {}, {}, {}};
  work.results.resize(files.size());
  work.done = std::make_unique<std::atomic<bool>[]>(files.size());
  RunWorkers(work);

  library.records = DoneRecords(work, true);
  status.processed = status.total.load();
  status.progress = 1.0f;
  library.scanned = static_cast<int64_t>(std::time(nullptr));
  GroupAndSummarise(library);
  if (!library.records.empty()) {
    if (!indexPath.empty() && !WriteLibraryFile(library, indexPath)) {
      logLine("[Library] Could not write %s; the previous index stays.\n", indexPath.c_str());
    }
    AddLibrary(std::move(library));
  }
  SetText(status, &ScanStatus::message, format("Done! %d files indexed.", status.total.load()));
  status.running = false;
}

}  // namespace vn
