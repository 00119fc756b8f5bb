#include "export/bwf_failure_reason.h"

#include <mutex>

#include "platform/log.h"

namespace vn {
namespace {

struct SharedReason {
  std::mutex mutex;
  std::string first;
};

SharedReason& shared() {
  static SharedReason reason;
  return reason;
}

}  // namespace

void resetExportFailureReason() {
  std::lock_guard lock(shared().mutex);
  shared().first.clear();
}

void noteExportFailureReason(const std::string& reason) {
  logLine("[Export] failure reason: %s\n", reason.c_str());
  std::lock_guard lock(shared().mutex);
  if (shared().first.empty()) shared().first = reason;
}

std::string exportFailureReason() {
  std::lock_guard lock(shared().mutex);
  return shared().first;
}

}  // namespace vn
