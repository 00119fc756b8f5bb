#include "core/source_paths.h"

#include <filesystem>

#include "platform/paths.h"

namespace vn {

const std::string& documentPath(const std::string& source, const CollectMap* collect) {
  if (collect) {
    auto it = collect->find(source);
    if (it != collect->end()) return it->second;
  }
  return source;
}

std::string resolveSourcePath(const std::string& path, const std::string& projectFolder) {
  if (path.empty() || path.front() == '/' || projectFolder.empty()) return path;
  std::string joined = pathJoin(projectFolder, path);
  return fileExists(joined) ? joined : path;
}

std::string pathInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return path;
  std::string prefix = folder.back() == '/' ? folder : folder + "/";
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
    return path.substr(prefix.size());
  return path;
}

std::string absolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return absolute.lexically_normal().string();
}

}  // namespace vn
