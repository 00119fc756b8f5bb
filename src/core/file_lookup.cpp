#include "core/file_lookup.h"

#include <mutex>

namespace vn {
namespace {

std::mutex& lookupMutex() {
  static std::mutex m;
  return m;
}

FileLookup& installed() {
  static FileLookup lookup;
  return lookup;
}

}  // namespace

void installFileLookup(FileLookup lookup) {
  std::lock_guard<std::mutex> lock(lookupMutex());
  installed() = std::move(lookup);
}

void registerFileRef(const FileRef& ref) {
  std::lock_guard<std::mutex> lock(lookupMutex());
  if (installed().registerFileRef) installed().registerFileRef(ref);
}

std::optional<FileRef> lookupFileRef(const std::string& fileId) {
  std::lock_guard<std::mutex> lock(lookupMutex());
  if (!installed().fileRefForId || fileId.empty()) return std::nullopt;
  return installed().fileRefForId(fileId);
}

std::string lookupPathForId(const std::string& fileId) {
  std::lock_guard<std::mutex> lock(lookupMutex());
  if (!installed().pathForId || fileId.empty()) return {};
  return installed().pathForId(fileId);
}

std::string lookupIdForPath(const std::string& path) {
  std::lock_guard<std::mutex> lock(lookupMutex());
  if (!installed().idForPath || path.empty()) return {};
  return installed().idForPath(path);
}

}  // namespace vn
