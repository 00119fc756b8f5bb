// varnel-cli update check: asks the release server once, in the foreground.
#include <cstdio>
#include <ctime>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "update/update_check.h"
#include "update/update_texts.h"

namespace vn::cli {
namespace {

int runUpdate(const std::vector<std::string>& args);

const Command kUpdate{
    "update", "update check", "ask the release server whether a newer Varnel exists",
    "Fetches the release manifest over HTTPS and prints one line: the newer version with\n"
    "its release page, that this version is the latest, or why nothing changed. Nothing is\n"
    "downloaded. The outcome is kept in the preferences, as \"Check now\" in the window does.\n"
    "Exit status 0 when the server answered with a usable manifest, 1 otherwise.\n"
    "VN_UPDATE_URL replaces the manifest address (an https:// address).",
    runUpdate};

int runUpdate(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kUpdate, args.error());
  if (args.positional().size() != 1 || args.positional()[0] != "check")
    return usageError(kUpdate, "the only update command is \"check\"");
  Preferences prefs;
  LoadPreferences(prefs);
  prefs.lastUpdateCheck = static_cast<long long>(std::time(nullptr));
  const UpdateCheckSettings settings = updateCheckSettingsFromEnvironment();
  const UpdateCheckResult result = RunUpdateCheck(settings);
  applyUpdateResult(prefs, result);
  SavePreferences(prefs);
  const std::string line = describeUpdateResult(result, settings.runningVersion);
  if (result.outcome != UpdateOutcome::Newer && result.outcome != UpdateOutcome::UpToDate) return userError(line);
  std::printf("%s\n", line.c_str());
  return kExitOk;
}

const Registration kRegistration(kUpdate);

}  // namespace
}  // namespace vn::cli
