// varnel-cli project: create, inspect and re-save project files.
#include <cmath>
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_commands.h"
#include "core/project_document.h"
#include "core/project_file.h"
#include "core/session_edit.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "project_summary.h"

namespace vn::cli {
namespace {

int run(const std::vector<std::string>& args);

const Command kProject{
    "project",
    "project new P [--duration S] [--fps F] | project info P | project resave IN OUT",
    "create a project file, describe one, or read and write one again",
    "  new P           a new empty project (\".vnproj\" is added when missing); the sample rate,\n"
    "                  scale and pitch settings come from the preferences\n"
    "    --duration S  timeline length in seconds (default 30)\n"
    "    --fps F       frame rate of the timeline (default 24)\n"
    "  info P          format version, events by shape, layers, scenes, groups, busses and\n"
    "                  missing files\n"
    "  resave IN OUT   reads IN and writes it as OUT in the current format, collecting its\n"
    "                  sounds into the Audio folder beside OUT",
    run};
const Registration kRegistration(kProject);

int runNew(Args& a) {
  if (a.positional().size() != 2) return usageError(kProject, "project new takes one path");
  const std::string path = withProjectExtension(a.positional()[1]);
  std::optional<double> duration = a.number("--duration");
  std::optional<double> fps = a.number("--fps");
  if (!a.error().empty()) return usageError(kProject, a.error());
  if (duration && !(*duration > 0.0 && *duration <= 86400.0))
    return userError("The duration must be more than 0 and at most 86400 seconds.");
  if (fps && !(*fps >= 1.0 && *fps <= 240.0)) return userError("The frame rate must be between 1 and 240.");
  if (fileExists(path) || folderExists(path))
    return userError(path + " already exists; choose another name or remove it first.");

  Session session;
  Preferences prefs;
  LoadPreferences(prefs);
  applyProjectDefaults(prefs, session.settings);
  if (duration) session.settings.totalDuration = static_cast<float>(*duration);
  if (fps) session.settings.fps = static_cast<float>(*fps);
  if (!saveProject(path, session)) return userError("Could not write " + path + ".");
  std::printf("Created %s (%.6g s at %.6g fps, %d Hz)\n", path.c_str(), session.settings.totalDuration,
              session.settings.fps, session.settings.projectSampleRate);
  return kExitOk;
}

int runInfo(const Args& a) {
  if (a.positional().size() != 2) return usageError(kProject, "project info takes one path");
  const std::string& path = a.positional()[1];
  Session session;
  ProjectLoadInfo info;
  if (!loadProjectForCli(path, session, info)) return kExitUserError;
  printProjectSummary(path, session, info);
  return kExitOk;
}

int runResave(const Args& a) {
  if (a.positional().size() != 3) return usageError(kProject, "project resave takes IN and OUT");
  const std::string& in = a.positional()[1];
  const std::string out = withProjectExtension(a.positional()[2]);
  Session session;
  ProjectLoadInfo info;
  if (!loadProjectForCli(in, session, info)) return kExitUserError;
  if (!info.newerVersionWarning.empty()) std::fprintf(stderr, "%s\n", info.newerVersionWarning.c_str());
  if (!saveProject(out, session)) return userError("Could not write " + out + "; nothing was changed there.");
  std::printf("Wrote %s (format version %d, %d events, %d layers)\n", out.c_str(), kProjectFormatVersion,
              static_cast<int>(session.events.size()), static_cast<int>(session.results.size()));
  return kExitOk;
}

int run(const std::vector<std::string>& args) {
  Args a(args, {"--duration", "--fps"}, {});
  if (!a.error().empty()) return usageError(kProject, a.error());
  if (a.positional().empty()) return usageError(kProject, "which project action?");
  const std::string& action = a.positional()[0];
  if (action == "new") return runNew(a);
  if (action == "info") return runInfo(a);
  if (action == "resave") return runResave(a);
  return usageError(kProject, "unknown action \"" + action + "\"");
}

}  // namespace
}  // namespace vn::cli
