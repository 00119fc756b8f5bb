#include "platform/paths.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vn {
namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string appDataFolder() {
  std::string appData = env("APPDATA");
  if (!appData.empty()) return pathJoin(appData, "Varnel");
  std::string xdg = env("XDG_DATA_HOME");
  if (!xdg.empty()) return pathJoin(xdg, "Varnel");
  std::string home = env("HOME");
  if (!home.empty()) return pathJoin(pathJoin(home, ".local/share"), "Varnel");
  return {};
}

std::string ensureAppDataFolder() {
  std::string folder = appDataFolder();
  if (folder.empty()) return folder;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::string documentsFolder() {
  std::string docs = env("XDG_DOCUMENTS_DIR");
  if (docs.empty()) {
    std::string home = env("HOME");
    if (home.empty()) return {};
    docs = pathJoin(home, "Documents");
  }
  return pathJoin(docs, "Varnel");
}

std::string userName() {
  std::string user = env("USER");
  return user.empty() ? env("LOGNAME") : user;
}

std::string hostName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

const char* programVersion() { return VN_VERSION_TEXT; }

std::string pathJoin(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string parentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stemOf(const std::string& path) {
  std::string name = fileNameOf(path);
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

std::string extensionOf(const std::string& path) {
  std::string name = fileNameOf(path);
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return {};
  return name.substr(dot);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
  if (suffix.size() > text.size()) return false;
  size_t off = text.size() - suffix.size();
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[off + i])) !=
        std::tolower(static_cast<unsigned char>(suffix[i])))
      return false;
  }
  return true;
}

}  // namespace vn
