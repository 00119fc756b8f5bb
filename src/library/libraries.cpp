#include "library/libraries.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>

#include "library/file_lookup_hook.h"
#include "library/index_file.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool nameTaken(const std::vector<Library>& libraries, const std::string& name) {
  if (std::any_of(libraries.begin(), libraries.end(), [&](const Library& l) { return l.name == name; })) return true;
  // An index file that did not load still owns its name.
  std::string path = LibraryIndexPath(name);
  return !path.empty() && std::filesystem::exists(path);
}

std::string uniqueName(const std::vector<Library>& libraries, const std::string& wanted) {
  std::string name = wanted;
  for (int n = 2; nameTaken(libraries, name); ++n) name = wanted + " " + std::to_string(n);
  return name;
}

const LibraryRecord* findRecord(const std::vector<Library>& libraries, const std::string& path) {
  for (const Library& library : libraries)
    for (const LibraryRecord& record : library.records)
      if (record.path == path) return &record;
  return nullptr;
}

// Writes the Library's index file, creating the library folder when it went away.
bool writeIndex(const Library& library) {
  if (ensureAppDataFolder().empty()) return false;
  return WriteLibraryFile(library, LibraryIndexPath(library.name));
}

}  // namespace

LibraryList& AppLibraries() {
  static LibraryList list;
  return list;
}

std::string LibraryFolder() { return appDataFolder(); }

std::string LibraryIndexPath(const std::string& name) {
  std::string folder = LibraryFolder();
  if (folder.empty()) return {};
  return folder + "/" + name + ".vnlib";
}

std::string LibraryNameForFolder(const std::string& folder) {
  std::string trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  return stemOf(trimmed);
}

int LoadLibrariesAtStartup() {
  InstallLibraryFileLookup();
  std::string folder = ensureAppDataFolder();
  if (folder.empty()) return 0;
  std::vector<std::string> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (it->is_regular_file(typeEc) && it->path().extension() == ".vnlib") files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  int added = 0;
  for (const std::string& file : files) {
    Library library;
    if (!ReadLibraryFile(file, library)) continue;
    AddLibrary(std::move(library));
    ++added;
  }
  return added;
}

int StartLibraries() {
  static std::once_flag once;
  static int loaded = 0;
  std::call_once(once, [] { loaded = LoadLibrariesAtStartup(); });
  return loaded;
}

void AddLibrary(Library library) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  list.libraries.push_back(std::move(library));
}

int SetLayoutOverride(const std::string& path, int value) {
  value = std::clamp(value, 0, 3);
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  int changed = 0;
  for (Library& library : list.libraries) {
    bool libraryChanged = false;
    for (LibraryRecord& record : library.records) {
      if (record.path != path || record.layoutOverride == value) continue;
      record.layoutOverride = value;
      libraryChanged = true;
      ++changed;
    }
    if (libraryChanged) writeIndex(library);
  }
  return changed;
}

PaletteResult CreatePalette(const std::vector<std::string>& paths, const std::string& name,
                            const std::string& sourcePath) {
  std::string wanted = name;
  if (wanted.empty()) wanted = sourcePath.empty() ? "Palette" : LibraryNameForFolder(sourcePath) + " Palette";

  PaletteResult result;
  Library& palette = result.palette;
  palette.savedPalette = true;
  palette.scanned = static_cast<int64_t>(std::time(nullptr));
  palette.schemaVersion = kLibrarySchemaVersion;

  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  palette.name = uniqueName(list.libraries, wanted);
  std::set<std::string> seen;
  for (const std::string& path : paths) {
    if (!seen.insert(path).second) continue;
    if (const LibraryRecord* known = findRecord(list.libraries, path)) {
      palette.records.push_back(*known);
    } else if (fileExists(path)) {
      // Analysed by the next scan; until then it has the defaults of a fresh record.
      LibraryRecord fresh;
      fresh.path = path;
      fresh.name = stemOf(path);
      palette.records.push_back(std::move(fresh));
    } else {
      result.skipped.push_back(path);
    }
  }
  // An index file without records or a folder would not read back.
  if (palette.records.empty()) return result;
  result.saved = writeIndex(palette);
  list.libraries.push_back(palette);
  return result;
}

}  // namespace vn
