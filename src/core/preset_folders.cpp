#include "core/preset_folders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/log.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

constexpr char kRecipeExtension[] = ".vnrecipe";
constexpr char kChainExtension[] = ".vnchain";
constexpr char kOlderExtension[] = ".json";

bool refusedByFileSystems(unsigned char c) {
  // Control bytes, the path separators and what other systems' file names refuse,
  // plus the escape character so that decoding stays unambiguous.
  return c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
         c == '<' || c == '>' || c == '|' || c == '%';
}

void appendEscaped(std::string& out, unsigned char c) {
  static const char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}


char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool lessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lowerAscii(x) < lowerAscii(y); });
}

// A regular file (after links) that is not empty and not above the size limit.
bool readableSize(const fs::directory_entry& entry) {
  std::error_code ec;
  if (!entry.is_regular_file(ec) || ec) return false;
  const uintmax_t size = entry.file_size(ec);
  return !ec && size > 0 && size <= kMaxPresetFileBytes;
}

std::vector<SavedPreset> listFolder(const std::string& folder, const char* extension) {
  std::vector<SavedPreset> found;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return found;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string file = it->path().filename().string();
    const bool current = endsWithNoCase(file, extension);
    if (!current && !endsWithNoCase(file, kOlderExtension)) continue;
    if (!readableSize(*it)) continue;
    const size_t extensionLength = current ? std::char_traits<char>::length(extension) : sizeof kOlderExtension - 1;
    if (file.size() <= extensionLength) continue;
    found.push_back({presetNameFromStem(file.substr(0, file.size() - extensionLength)), it->path().string()});
  }
  // The current extension sorts before the older one of the same name, which is then dropped.
  std::sort(found.begin(), found.end(), [extension](const SavedPreset& a, const SavedPreset& b) {
    if (lessNoCase(a.name, b.name)) return true;
    if (lessNoCase(b.name, a.name)) return false;
    if (a.name != b.name) return a.name < b.name;
    return endsWithNoCase(a.path, extension) && !endsWithNoCase(b.path, extension);
  });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const SavedPreset& a, const SavedPreset& b) { return a.name == b.name; }),
              found.end());
  return found;
}

std::string legacyFolder(const char* below) {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return pathJoin(home, below);
}

// Moves the regular files of from into to, never replacing one; copies and removes
// when the two are on different file systems.
int moveFiles(const std::string& from, const std::string& to) {
  if (from.empty() || !folderExists(from)) return 0;
  std::error_code ec;
  fs::create_directories(to, ec);
  int moved = 0, kept = 0;
  for (fs::directory_iterator it(from, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    const fs::path target = fs::path(to) / it->path().filename();
    if (fs::exists(target, fileEc)) {
      ++kept;
      continue;
    }
    fs::rename(it->path(), target, fileEc);
    if (fileEc) {
      fileEc.clear();
      if (fs::copy_file(it->path(), target, fileEc)) fs::remove(it->path(), fileEc);
    }
    if (!fileEc) ++moved;
  }
  if (moved > 0) logLine("[Recipes] Moved %d file%s from %s to %s\n", moved, plural(moved), from.c_str(), to.c_str());
  if (kept > 0)
    logLine("[Recipes] Kept %d file%s in %s: the name is already taken in %s\n", kept, plural(kept), from.c_str(),
            to.c_str());
  fs::remove(from, ec);  // only when it is empty now
  return moved;
}

}  // namespace

std::string recipesFolder() {
  const std::string documents = documentsFolder();
  return documents.empty() ? std::string() : pathJoin(documents, "Recipes");
}

std::string chainsFolder() {
  const std::string documents = documentsFolder();
  return documents.empty() ? std::string() : pathJoin(documents, "Chains");
}

std::string presetFileStem(const std::string& name) {
  std::string stem;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    // A leading dot would hide the file (and make "." or ".."); a leading or
    // trailing space or a trailing dot is dropped by some file systems.
    const bool edge = (i == 0 && (c == '.' || c == ' ')) || (i + 1 == name.size() && (c == '.' || c == ' '));
    if (edge || refusedByFileSystems(c))
      appendEscaped(stem, c);
    else
      stem += static_cast<char>(c);
  }
  return stem;
}

std::string presetNameFromStem(const std::string& stem) {
  std::string name;
  for (size_t i = 0; i < stem.size(); ++i) {
    if (stem[i] == '%' && i + 2 < stem.size() && hexDigitValue(stem[i + 1]) >= 0 && hexDigitValue(stem[i + 2]) >= 0) {
      name += static_cast<char>(hexDigitValue(stem[i + 1]) * 16 + hexDigitValue(stem[i + 2]));
      i += 2;
    } else {
      name += stem[i];
    }
  }
  return name;
}

std::string recipeFilePath(const std::string& folder, const std::string& name) {
  return pathJoin(folder, presetFileStem(name) + kRecipeExtension);
}

std::string chainFilePath(const std::string& folder, const std::string& name) {
  return pathJoin(folder, presetFileStem(name) + kChainExtension);
}

std::string recipePreviewPath(const std::string& folder, const std::string& name) {
  return pathJoin(folder, presetFileStem(name) + "_preview.wav");
}

std::string recipePreviewPath(const std::string& name) { return recipePreviewPath(recipesFolder(), name); }

std::vector<SavedPreset> listRecipes(const std::string& folder) { return listFolder(folder, kRecipeExtension); }
std::vector<SavedPreset> listRecipes() { return listRecipes(recipesFolder()); }
std::vector<SavedPreset> listChains(const std::string& folder) { return listFolder(folder, kChainExtension); }
std::vector<SavedPreset> listChains() { return listChains(chainsFolder()); }

std::vector<std::string> savedNames(const std::vector<SavedPreset>& saved) {
  std::vector<std::string> names;
  names.reserve(saved.size());
  for (const SavedPreset& s : saved) names.push_back(s.name);
  return names;
}

std::optional<SavedPreset> findSaved(const std::vector<SavedPreset>& saved, const std::string& name) {
  for (const SavedPreset& s : saved)
    if (s.name == name) return s;
  for (const SavedPreset& s : saved)
    if (equalsNoCase(s.name, name)) return s;
  return std::nullopt;
}

int migrateLegacyPresetFolders() {
  const std::string recipes = recipesFolder();
  const std::string chains = chainsFolder();
  if (recipes.empty()) return 0;
  return moveFiles(legacyFolder("Library/Preferences/VarnelPresets"), recipes) +
         moveFiles(legacyFolder("Library/Preferences/VarnelGroupPresets"), chains) +
         moveFiles(legacyFolder("Library/Application Support/Varnel/RecipePreviews"), recipes);
}

}  // namespace vn
