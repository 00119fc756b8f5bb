#include "export/bwf_disk_space.h"

#include <sys/statvfs.h>

#include <mutex>

#include "export/bwf_failure_reason.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

std::optional<uint64_t> systemFreeSpace(const std::string& folder) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

std::mutex& queryMutex() {
  static std::mutex mutex;
  return mutex;
}

FreeSpaceQuery& installedQuery() {
  static FreeSpaceQuery query;
  return query;
}

std::string folderOf(const std::string& path) {
  const std::string folder = parentFolder(path);
  return folder.empty() ? std::string(".") : folder;
}

double megabytes(uint64_t bytes) { return static_cast<double>(bytes) / 1048576.0; }

}  // namespace

FreeSpaceQuery setFreeSpaceQuery(FreeSpaceQuery query) {
  std::lock_guard lock(queryMutex());
  FreeSpaceQuery previous = std::move(installedQuery());
  installedQuery() = std::move(query);
  return previous;
}

std::optional<uint64_t> freeSpaceOfFolder(const std::string& folder) {
  FreeSpaceQuery query;
  {
    std::lock_guard lock(queryMutex());
    query = installedQuery();
  }
  return query ? query(folder) : systemFreeSpace(folder);
}

bool CheckDiskSpaceBeforeWrite(const std::string& path) {
  const std::optional<uint64_t> free = freeSpaceOfFolder(folderOf(path));
  if (!free || *free >= kMinFreeBytesToStart) return true;
  noteExportFailureReason(
      format("disk full (%.0f MB free) - %s refused before writing anything", megabytes(*free), fileNameOf(path).c_str()));
  return false;
}

std::string diskFullOr(const std::string& path, const std::string& reason) {
  const std::optional<uint64_t> free = freeSpaceOfFolder(folderOf(path));
  if (free && *free < kDiskFullBytes) return format("disk full (%.0f MB free)", megabytes(*free));
  return reason;
}

}  // namespace vn
