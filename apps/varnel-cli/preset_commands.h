#pragma once
// What the recipe and chain commands share: the project they change is loaded and
// saved here, and the saved items are found by name.
#include <optional>
#include <string>

#include "core/preset_folders.h"
#include "core/session.h"

namespace vn::cli {

// Loads path; on failure prints one sentence and returns false.
bool loadPresetProject(const std::string& path, Session& session);
// Saves path; on failure prints one sentence and returns false.
bool savePresetProject(const std::string& path, Session& session);
// The saved item of that name in the listing; prints one sentence when there is none.
std::optional<SavedPreset> findNamed(const std::vector<SavedPreset>& saved, const std::string& name, const char* kind,
                                     const std::string& folder);
// A time option from 0 on; prints the usage problem into problem when malformed.
std::optional<float> placementTime(const std::optional<double>& seconds, std::string& problem);

}  // namespace vn::cli
