#include "core/preferences.h"

#include <algorithm>

#include "core/read_file.h"
#include "core/shared_settings.h"
#include "platform/atomic_write.h"
#include "platform/paths.h"

namespace vn {

std::string preferencesPath() {
  const std::string folder = appDataFolder();
  return folder.empty() ? std::string() : pathJoin(folder, "com.varnel.prefs");
}

void LoadPreferences(Preferences& prefs) {
  const std::string path = preferencesPath();
  std::string text;
  std::string error;
  if (path.empty() || !readWholeFile(path, text, error)) return;
  applyPreferencesText(text, prefs);
}

bool SavePreferences(const Preferences& prefs) {
  if (ensureAppDataFolder().empty()) return false;
  return writeFileAtomic(preferencesPath(), preferencesText(prefs)).ok;
}

void applyProjectDefaults(const Preferences& prefs, ProjectSettings& settings) {
  copySharedSettings(prefs, settings);
}

void addRecentProject(Preferences& prefs, const std::string& path) {
  std::erase(prefs.recentProjects, path);
  prefs.recentProjects.insert(prefs.recentProjects.begin(), path);
  if (prefs.recentProjects.size() > static_cast<size_t>(kMaxRecentProjects))
    prefs.recentProjects.resize(kMaxRecentProjects);
}

bool isUsableRecentEntry(const std::string& entry) {
  if (entry.find_first_of("/\\") == std::string::npos) return false;
  return std::none_of(entry.begin(), entry.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 && c != '\t';
  });
}

}  // namespace vn
