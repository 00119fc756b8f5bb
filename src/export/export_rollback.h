#pragma once
// What one export run put on disk, so that a failed run can take it all back:
// the files it wrote and the folders it created. Ending the guard without
// committing it removes the files, then the folders in reverse order.
#include <string>
#include <vector>

namespace vn {

struct ExportRollbackGuard {
  std::vector<std::string> files;
  std::vector<std::string> folders;  // only those this run created
  bool committed = false;

  ExportRollbackGuard() = default;
  ExportRollbackGuard(const ExportRollbackGuard&) = delete;
  ExportRollbackGuard& operator=(const ExportRollbackGuard&) = delete;
  // The lists move with the run; the moved-from guard holds nothing to roll back.
  ExportRollbackGuard(ExportRollbackGuard&& other) noexcept;
  ~ExportRollbackGuard();
};

// Creates folder and its missing parents (create_directories), noting in the guard
// each one it created. False when the folder cannot be made.
bool createExportFolder(ExportRollbackGuard& guard, const std::string& folder, std::string& error);

// Removes the listed files, then the listed folders (newest first, only when
// empty), logs "[Export] Rollback: removed %d files" and empties the lists.
// Returns the number of files removed.
int rollBackExport(ExportRollbackGuard& guard);

}  // namespace vn
