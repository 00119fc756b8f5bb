#pragma once
// Where a referenced library file is on this machine: at its recorded path, else
// wherever the file-identity registry last saw its id, else a Library file of the
// same content.
#include <string>

#include "core/session.h"

namespace vn {

struct LocatedFileRef {
  FileRef ref;
  bool found = false;
  std::string foundPath;  // where the file is on this machine
  std::string foundBy;    // "path", "library id" or "content"
};

LocatedFileRef locateFileRef(const FileRef& ref);

}  // namespace vn
