// varnel-cli markers: bring the markers and scenes of a session text export into a project.
#include <cstdio>
#include <fstream>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "core/recipe_apply.h"
#include "core/timecode.h"
#include "picture/session_text.h"
#include "picture/trace_session.h"
#include "platform/paths.h"
#include "project_summary.h"

namespace vn::cli {
namespace {

int runMarkers(const std::vector<std::string>& args);

const Command kMarkers{
    "markers", "markers SESSION.txt --into PROJECT", "import the markers and scenes of a session text export",
    "Reads the memory locations of a session exported as text: markers become events of\n"
    "PROJECT (their words become keywords; \"bloom\" makes a Bloom, band words set the weight),\n"
    "markers named \"Scene, name, description\" become scenes. A name that starts with a saved\n"
    "recipe's name and a colon (\"Impacts: high metal\") gets that recipe. The project is saved.\n"
    "  --into P   the project to add them to",
    runMarkers};
const Registration kRegistration(kMarkers);

int runMarkers(const std::vector<std::string>& raw) {
  Args args(raw, {"--into"}, {});
  if (!args.error().empty()) return usageError(kMarkers, args.error());
  if (args.positional().size() != 1) return usageError(kMarkers, "markers takes one session text file");
  const std::optional<std::string> projectPath = args.value("--into");
  if (!projectPath) return usageError(kMarkers, "--into PROJECT is needed");
  const std::string& textPath = args.positional()[0];
  std::ifstream in(textPath, std::ios::binary);
  if (!in || folderExists(textPath)) return userError(textPath + ": cannot be read as a session text file.");

  Session session;
  ProjectLoadInfo info;
  if (!loadProjectForCli(*projectPath, session, info)) return kExitUserError;
  std::vector<ImportedMarker> markers;
  std::vector<ImportedScene> scenes;
  ParseSessionMarkers(in, session.settings.fps, markers, &scenes, savedRecipeNames());
  if (markers.empty() && scenes.empty())
    return userError(textPath + " holds no markers (no marker section was found); the project was not changed.");

  const int events = ImportMarkerEvents(markers, session, applySavedRecipe);
  AddImportedScenes(scenes, session);
  if (!saveProject(*projectPath, session))
    return userError("Could not write " + *projectPath + "; the project was not changed.");
  for (const ImportedMarker& m : markers)
    std::printf("  %s  %-5s  %s%s%s\n", formatTimecode(m.time, session.settings.fps).c_str(),
                m.shape == 1 ? "Bloom" : "Spot", m.name.c_str(), m.recipeName.empty() ? "" : "  recipe ",
                m.recipeName.c_str());
  for (const ImportedScene& s : scenes)
    std::printf("  %s  Scene  %s\n", formatTimecode(s.time, session.settings.fps).c_str(), s.name.c_str());
  std::printf("Imported %d marker%s and %d scene%s into %s\n", events, events == 1 ? "" : "s",
              static_cast<int>(scenes.size()), scenes.size() == 1 ? "" : "s", projectPath->c_str());
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
