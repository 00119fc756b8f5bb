#include "core/project_backup.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {

std::string crashLockPath(const std::string& projectPath) { return projectPath + ".lock"; }

bool writeCrashLock(const std::string& projectPath) {
  return writeFileAtomic(crashLockPath(projectPath), format("pid=%d\n", static_cast<int>(::getpid()))).ok;
}

void removeCrashLock(const std::string& projectPath) {
  if (!projectPath.empty()) std::remove(crashLockPath(projectPath).c_str());
}

std::string backupSlotPath(const std::string& projectPath, int slot) {
  const std::string backups = pathJoin(parentFolder(projectPath), "Backups");
  return pathJoin(backups, format("%s.backup%d.vnproj", stemOf(projectPath).c_str(), slot));
}

void rotateBackups(const std::string& projectPath, int maxBackups) {
  std::error_code ec;
  std::filesystem::create_directories(pathJoin(parentFolder(projectPath), "Backups"), ec);
  std::remove(backupSlotPath(projectPath, maxBackups).c_str());
  for (int k = maxBackups - 1; k >= 1; --k) {
    const std::string from = backupSlotPath(projectPath, k);
    if (fileExists(from)) std::rename(from.c_str(), backupSlotPath(projectPath, k + 1).c_str());
  }
}

}  // namespace vn
