#pragma once
// The ".vnlib" index file: a few "# key: value" header lines, then one line of 39
// tab-separated columns per LibraryRecord. Older schema versions (3 to 9) carry
// fewer columns; the reader follows the version named in the file's first line.
#include <string>

#include "library/library.h"
#include "library/text_column.h"

namespace vn {

// Writes the whole index atomically; false (and the old file untouched) on failure.
bool WriteLibraryFile(const Library& library, const std::string& path);

// Reads an index file into library (which should start fresh). Registers every
// record's fileId, names the Library after the file's stem and groups multi-mono
// files. False when the file cannot be opened or yields neither records nor a folder.
bool ReadLibraryFile(const std::string& path, Library& library);

}  // namespace vn
