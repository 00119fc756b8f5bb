// varnel-cli scan: index a folder of sound files into a Library.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/source_paths.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "platform/paths.h"
#include "progress.h"
#include "scan_progress.h"

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

// The Library keeps absolute paths, without a trailing separator.
std::string AbsoluteFolder(const std::string& given) {
  std::string folder = absolutePath(given);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
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
  StartLibraries();
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

  const std::string walkError = ReadScanTexts(status).error;
  if (!walkError.empty()) std::fprintf(stderr, "%s\n", walkError.c_str());
  if (status.total == 0) return userError("No audio files found in " + folder + ".");
  const int indexed = PrintScanReport(status, folder);
  if (interrupted()) {
    return userError("Scan cancelled: " + std::to_string(indexed) + " of " + std::to_string(status.total) +
                     " files are indexed and saved.");
  }
  return kExitOk;
}

const Registration kRegistration(kScan);

}  // namespace
}  // namespace vn::cli
