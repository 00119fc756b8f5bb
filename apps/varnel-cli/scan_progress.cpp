#include "scan_progress.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "library/libraries.h"
#include "platform/log.h"
#include "progress.h"

namespace vn::cli {
namespace {

std::string PublishedSummary(const std::string& folder) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (auto it = list.libraries.rbegin(); it != list.libraries.rend(); ++it) {
    if (it->folder == folder) return it->summary;
  }
  return {};
}

}  // namespace

void FollowScan(ScanStatus& status, const std::string& name) {
  ProgressBar bar("Scanning " + name);
  while (status.running) {
    if (interrupted()) status.running = false;
    const int total = status.total;
    if (total > 0)
      bar.update(status.progress, std::to_string(status.processed) + "/" + std::to_string(total) + " files");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  WaitForScan(status);
  bar.finish(interrupted() ? "cancelled" : std::to_string(status.total) + " files");
}

int PrintScanReport(const ScanStatus& status, const std::string& folder) {
  const ScanTexts texts = ReadScanTexts(status);
  const std::string name = LibraryNameForFolder(folder);
  const int indexed = status.analysed + status.reused;
  for (const ScanFailure& failure : texts.failedFiles) {
    std::printf("  failed: %s: %s\n", failure.path.c_str(), failure.reason.c_str());
  }
  if (indexed > 0) std::printf("Index: %s\n", LibraryIndexPath(name).c_str());
  std::string closing = format("%s: %d files found, %d analysed, %d reused, %zu failed", name.c_str(),
                               status.total.load(), status.analysed.load(), status.reused.load(),
                               texts.failedFiles.size());
  const std::string summary = indexed > 0 ? PublishedSummary(folder) : std::string();
  if (!summary.empty()) closing += " - " + summary;
  std::printf("%s\n", closing.c_str());
  return indexed;
}

}  // namespace vn::cli
