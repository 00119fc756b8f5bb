#include "ledger/index_lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "ledger/prints_folder.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool removeStaleLock(const std::string& path) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::rmdir(path.c_str()) == 0 || errno == ENOENT) return true;
    if (errno != ENOTEMPTY && errno != EEXIST && errno != EACCES && errno != EPERM) return false;
    // Something was left inside by a crashed holder: clear it and try again.
    std::error_code ignored;
    if (errno == ENOTEMPTY || errno == EEXIST)
      for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    ::usleep(10000);
  }
  return false;
}

}  // namespace

IndexLock::IndexLock(const std::string& printsFolder) : path_(pathJoin(printsFolder, kIndexLockName)) {
  if (::mkdir(path_.c_str(), 0755) == 0) {
    held_ = true;
    return;
  }
  if (errno == EEXIST) {
    struct stat st{};
    const bool stale = ::stat(path_.c_str(), &st) == 0 && std::time(nullptr) - st.st_mtime > kIndexLockStaleSeconds;
    if (stale && removeStaleLock(path_) && ::mkdir(path_.c_str(), 0755) == 0) {
      held_ = true;
      return;
    }
  }
  logLine("[Ledger] index lock busy - appending unlocked (rebuild will heal)\n");
}

IndexLock::~IndexLock() {
  if (held_) ::rmdir(path_.c_str());
}

}  // namespace vn
