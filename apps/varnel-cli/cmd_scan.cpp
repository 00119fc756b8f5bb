// varnel-cli scan: index a folder of sound files into a Library.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "platform/paths.h"
#include "progress.h"

namespace vn::cli {
namespace {

int runScan(const std::vector<std::string>& args);

const Command kScan{"scan", "scan FOLDER [--force] [--threads N]", "index a folder of sound files into a Library",
                    "Walks FOLDER and its subfolders, analyses every sound file that is new or changed\n"
                    "since the last scan, and writes the Library's index file to the application data folder.\n"
                    "  --force      analyse every file again, even unchanged ones\n"
                    "  --threads N  use at most N analysis workers (0: one per core)\n"
                    "Ctrl-C stops the scan; the files done so far are indexed and saved.",
                    runScan};

std::string AbsoluteFolder(const std::string& given) {
  std::error_code ec;
  std::string folder = std::filesystem::absolute(given, ec).lexically_normal().string();
  if (ec) folder = given;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string PublishedSummary(const std::string& folder) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (auto it = list.libraries.rbegin(); it != list.libraries.rend(); ++it) {
    if (it->folder == folder) return it->summary;
  }
  return {};
}

void FollowScan(ScanStatus& status, const std::string& name) {
  ProgressBar bar("Scanning " + name);
  while (status.running) {
    if (interrupted()) status.running = false;
    const int total = status.total;
    if (total > 0) bar.update(status.progress, std::to_string(status.processed) + "/" + std::to_string(total) + " files");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  WaitForScan(status);
  bar.finish(interrupted() ? "cancelled" : std::to_string(status.total) + " files");
}

int runScan(const std::vector<std::string>& raw) {
  Args args(raw, {"--threads"}, {"--force"});
  const std::optional<long long> threads = args.integer("--threads");
  if (!args.error().empty()) return usageError(kScan, args.error());
  if (args.positional().size() != 1) return usageError(kScan, "scan takes one folder");
  if (threads && *threads < 0) return usageError(kScan, "--threads takes a count of 0 or more");
  const std::string folder = AbsoluteFolder(args.positional()[0]);
  if (!folderExists(folder)) return userError("The folder " + folder + " does not exist or is not a folder.");

  // Known files keep the identity they already have in other Libraries.
  LoadLibrariesAtStartup();
  Preferences prefs;
  LoadPreferences(prefs);
  installInterruptHandler();

  ScanStatus status;
  ScanRequest request;
  request.folder = folder;
  request.force = args.has("--force");
  request.maxThreads = threads ? static_cast<int>(*threads) : 0;
  request.channelOrderFallback = prefs.channelOrderFallback;
  StartScan(status, request);
  FollowScan(status, LibraryNameForFolder(folder));

  const ScanTexts texts = ReadScanTexts(status);
  if (!texts.error.empty()) std::fprintf(stderr, "%s\n", texts.error.c_str());
  if (status.total == 0) return userError("No audio files found in " + folder + ".");

  const int indexed = status.analysed + status.reused;
  std::printf("%s: %d files found, %d analysed, %d reused, %zu failed\n", LibraryNameForFolder(folder).c_str(),
              status.total.load(), status.analysed.load(), status.reused.load(), texts.failedFiles.size());
  for (const ScanFailure& failure : texts.failedFiles) {
    std::printf("  failed: %s: %s\n", failure.path.c_str(), failure.reason.c_str());
  }
  if (indexed > 0) {
    std::printf("%s\n", PublishedSummary(folder).c_str());
    std::printf("Index: %s\n", LibraryIndexPath(LibraryNameForFolder(folder)).c_str());
  }
  if (interrupted()) {
    return userError("Scan cancelled: " + std::to_string(indexed) + " of " + std::to_string(status.total) +
                     " files are indexed and saved.");
  }
  return kExitOk;
}

const Registration kRegistration(kScan);

}  // namespace
}  // namespace vn::cli
