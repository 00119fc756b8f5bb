#include "library/file_lookup_hook.h"

#include "core/file_lookup.h"
#include "library/file_identity.h"

namespace vn {

void InstallLibraryFileLookup() {
  FileLookup lookup;
  lookup.registerFileRef = [](const FileRef& ref) { RegisterFileId(ref.id, ref.path, ref.hash, ref.size); };
  lookup.fileRefForId = [](const std::string& fileId) -> std::optional<FileRef> {
    std::optional<FileIdentity> known = LookupFileIdentity(fileId);
    if (!known) return std::nullopt;
    return FileRef{fileId, known->contentHash, known->fileSize, known->currentPath};
  };
  lookup.pathForId = [](const std::string& fileId) { return CurrentPathForFileId(fileId); };
  lookup.idForPath = [](const std::string& path) { return FileIdForPath(path); };
  installFileLookup(std::move(lookup));
}

}  // namespace vn
