#include "export/export_rollback.h"

#include <filesystem>
#include <system_error>

#include "platform/log.h"

namespace vn {

namespace fs = std::filesystem;

ExportRollbackGuard::~ExportRollbackGuard() {
  if (!committed && (!files.empty() || !folders.empty())) rollBackExport(*this);
}

ExportRollbackGuard::ExportRollbackGuard(ExportRollbackGuard&& other) noexcept
    : files(std::move(other.files)), folders(std::move(other.folders)), committed(other.committed) {
  other.files.clear();
  other.folders.clear();
}

bool createExportFolder(ExportRollbackGuard& guard, const std::string& folder, std::string& error) {
  std::error_code ec;
  std::vector<std::string> missing;
  for (fs::path p = fs::path(folder).lexically_normal(); !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p.string());
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, ec) && !fs::is_directory(*it)) {
      error = ec ? ec.message() : "not a folder";
      return false;
    }
    guard.folders.push_back(*it);
  }
  if (!fs::is_directory(folder, ec)) {
    error = "not a folder";
    return false;
  }
  return true;
}

int rollBackExport(ExportRollbackGuard& guard) {
  int removed = 0;
  std::error_code ec;
  for (const std::string& f : guard.files) removed += fs::remove(f, ec) ? 1 : 0;
  for (auto it = guard.folders.rbegin(); it != guard.folders.rend(); ++it) fs::remove(*it, ec);  // only when empty
  guard.files.clear();
  guard.folders.clear();
  logLine("[Export] Rollback: removed %d files\n", removed);
  return removed;
}

}  // namespace vn
