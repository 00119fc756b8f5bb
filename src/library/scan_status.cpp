#include <utility>

#include "library/libraries.h"
#include "library/scan.h"
#include "platform/paths.h"

namespace vn {

ScanStatus::~ScanStatus() { WaitForScan(*this); }

ScanTexts ReadScanTexts(const ScanStatus& status) {
  std::lock_guard lock(status.textMutex);
  return {status.name, status.message, status.error, status.failedFiles};
}

bool StartScan(ScanStatus& status, ScanRequest request) {
  bool idle = false;
  if (!status.running.compare_exchange_strong(idle, true)) return false;
  WaitForScan(status);  // a finished scan's thread
  status.progress = 0.0f;
  status.processed = 0;
  status.total = 0;
  status.reused = 0;
  status.analysed = 0;
  std::string folder = request.folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  {
    std::lock_guard lock(status.textMutex);
    status.name = fileNameOf(folder).substr(0, 127);
    status.message.clear();
    status.error.clear();
    status.failedFiles.clear();
  }
  request.status = &status;
  status.thread = std::thread(ScanFolder, std::move(request));
  return true;
}

void WaitForScan(ScanStatus& status) {
  if (status.thread.joinable()) status.thread.join();
}

int DropOlderLibrariesOf(const std::string& folder) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  std::vector<Library>& libraries = list.libraries;
  size_t newest = libraries.size();
  for (size_t i = 0; i < libraries.size(); ++i) {
    if (libraries[i].folder == folder) newest = i;
  }
  std::vector<Library> kept;
  for (size_t i = 0; i < libraries.size(); ++i) {
    if (libraries[i].folder != folder || i == newest) kept.push_back(std::move(libraries[i]));
  }
  const int dropped = static_cast<int>(libraries.size() - kept.size());
  libraries = std::move(kept);
  return dropped;
}

}  // namespace vn
