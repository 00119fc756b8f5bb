#pragma once
// The project file asks the Library about the sound files it references: the
// fileRefs of a document are handed over so a moved file can be found by its id,
// a layer's library id gives the file's current path, and a path gives its id.
// The Library installs its implementation at start-up; until one is installed
// the lookups find nothing and documents keep their references as they were.
#include <functional>
#include <optional>
#include <string>

#include "core/session.h"

namespace vn {

struct FileLookup {
  std::function<void(const FileRef&)> registerFileRef;
  std::function<std::optional<FileRef>(const std::string& fileId)> fileRefForId;
  std::function<std::string(const std::string& fileId)> pathForId;  // empty when unknown
  std::function<std::string(const std::string& path)> idForPath;    // empty when unknown
};

// Replaces the installed lookup (an empty FileLookup removes it).
void installFileLookup(FileLookup lookup);

void registerFileRef(const FileRef& ref);
std::optional<FileRef> lookupFileRef(const std::string& fileId);
std::string lookupPathForId(const std::string& fileId);
std::string lookupIdForPath(const std::string& path);

}  // namespace vn
