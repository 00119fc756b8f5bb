#include "preset_commands.h"

#include <cmath>
#include <cstdio>

#include "core/project_file.h"
#include "project_summary.h"

namespace vn::cli {

bool loadPresetProject(const std::string& path, Session& session) {
  ProjectLoadInfo info;
  return loadProjectForCli(path, session, info);
}

bool savePresetProject(const std::string& path, Session& session) {
  if (saveProject(path, session)) return true;
  std::fprintf(stderr, "Could not save %s; the file on disk is unchanged.\n", path.c_str());
  return false;
}

std::optional<SavedPreset> findNamed(const std::vector<SavedPreset>& saved, const std::string& name, const char* kind,
                                     const std::string& folder) {
  std::optional<SavedPreset> found = findSaved(saved, name);
  if (!found) std::fprintf(stderr, "No %s named \"%s\" is saved in %s.\n", kind, name.c_str(), folder.c_str());
  return found;
}

std::optional<float> placementTime(const std::optional<double>& seconds, std::string& problem) {
  if (!seconds) {
    problem = "--at SECONDS is needed";
    return std::nullopt;
  }
  if (!std::isfinite(*seconds) || *seconds < 0.0 || *seconds > 86400.0) {
    problem = "--at needs a time from 0 to 86400 seconds";
    return std::nullopt;
  }
  return static_cast<float>(*seconds);
}

}  // namespace vn::cli
