#include <utility>

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

}  // namespace vn
