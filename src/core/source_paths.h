#pragma once
// Source paths as documents store them: collected sounds are written relative to
// the project folder ("Audio/boom.wav"), and relative paths read back are joined
// to the project folder when the file is there.
#include <map>
#include <string>

namespace vn {

// Absolute source path -> the path written in the document for its collected copy.
using CollectMap = std::map<std::string, std::string>;

// The path to write for a source: its collected copy when the map has one.
const std::string& documentPath(const std::string& source, const CollectMap* collect);
// A path read from a document: a relative one is joined to projectFolder when the
// joined file exists, else the text is kept as it is.
std::string resolveSourcePath(const std::string& path, const std::string& projectFolder);
// path relative to folder when it lies inside it, else path unchanged.
std::string pathInsideFolder(const std::string& path, const std::string& folder);
// An absolute, lexically normal form of path (no file system access beyond the
// working folder).
std::string absolutePath(const std::string& path);

}  // namespace vn
