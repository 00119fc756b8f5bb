#include "library/locate_file_ref.h"

#include <mutex>

#include "library/file_identity.h"
#include "library/libraries.h"
#include "platform/paths.h"

namespace vn {
namespace {

// A file of a Library with this content that exists here; empty when none.
std::string libraryPathOfContent(uint64_t hash, uint64_t size) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (const Library& library : list.libraries)
    for (const LibraryRecord& record : library.records)
      if (record.contentHash == hash && (size == 0 || record.fileSize == size) && fileExists(record.path))
        return record.path;
  return {};
}

}  // namespace

LocatedFileRef locateFileRef(const FileRef& ref) {
  LocatedFileRef located;
  located.ref = ref;
  auto found = [&](const std::string& path, const char* by) {
    located.found = true;
    located.foundPath = path;
    located.foundBy = by;
    return located;
  };
  if (fileExists(ref.path)) return found(ref.path, "path");
  if (!ref.id.empty()) {
    if (const auto known = LookupFileIdentity(ref.id)) {
      if (fileExists(known->currentPath)) return found(known->currentPath, "library id");
      for (const std::string& path : known->paths)
        if (fileExists(path)) return found(path, "library id");
    }
  }
  if (ref.hash != 0) {
    const std::string path = libraryPathOfContent(ref.hash, ref.size);
    if (!path.empty()) return found(path, "content");
  }
  return located;
}

}  // namespace vn
