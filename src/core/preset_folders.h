#pragma once
// Where recipes and chains live, how a name becomes a file name, and the listing of
// the saved ones. Every name maps to its own file: the bytes a file system refuses
// (and the escape character itself) are written as %XX, so two names never meet.
#include <optional>
#include <string>
#include <vector>

namespace vn {

// Files above this size are not recipes or chains and are never read.
constexpr unsigned long long kMaxPresetFileBytes = 64ull << 20;

// "<documents>/Recipes" and "<documents>/Chains"; not created here.
std::string recipesFolder();
std::string chainsFolder();

// The file name stem for a name, and the name again from a stem.
std::string presetFileStem(const std::string& name);
std::string presetNameFromStem(const std::string& stem);

std::string recipeFilePath(const std::string& folder, const std::string& name);
std::string chainFilePath(const std::string& folder, const std::string& name);
// The recipe's audio preview, next to its file.
std::string recipePreviewPath(const std::string& folder, const std::string& name);
std::string recipePreviewPath(const std::string& name);

struct SavedPreset {
  std::string name;
  std::string path;
};

// The ".vnrecipe" (".vnchain") files of the folder, and the ".json" ones of older
// installations, ordered by name; a name found twice is listed once, the current
// extension first. Anything that is not a regular file of a readable size is left out.
std::vector<SavedPreset> listRecipes(const std::string& folder);
std::vector<SavedPreset> listRecipes();
std::vector<SavedPreset> listChains(const std::string& folder);
std::vector<SavedPreset> listChains();
std::vector<std::string> savedNames(const std::vector<SavedPreset>& saved);

// The saved item of that name: the exact spelling first, else ignoring ASCII case.
std::optional<SavedPreset> findSaved(const std::vector<SavedPreset>& saved, const std::string& name);

// Moves the files of the folders older versions used into the current folders;
// a file whose name is already taken there stays where it is. Returns the count moved.
int migrateLegacyPresetFolders();

}  // namespace vn
