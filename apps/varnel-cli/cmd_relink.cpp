// varnel-cli relink PROJECT FOLDER [--id ID]: find missing sources again by content.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "library/file_identity.h"
#include "library/libraries.h"
#include "library/missing_sources.h"
#include "library/relink.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "progress.h"

namespace vn::cli {
namespace {

int runRelink(const std::vector<std::string>& args);

const Command kRelink{
    "relink", "relink PROJECT FOLDER [--id ID]", "relink missing sources from the sound files of a folder",
    "Walks FOLDER for sound files of a missing source's size and compares their content;\n"
    "a match becomes the source's location and the project is saved with it.\n"
    "  --id ID   relink only the source with this id (see varnel-cli missing)\n"
    "Ctrl-C stops the walk; what was relinked until then is kept.",
    runRelink};

int runRelink(const std::vector<std::string>& raw) {
  Args args(raw, {"--id"}, {});
  if (!args.error().empty()) return usageError(kRelink, args.error());
  if (args.positional().size() != 2) return usageError(kRelink, "give a project file and a folder");
  const std::string& projectPath = args.positional()[0];
  const std::string& folder = args.positional()[1];
  std::string onlyId = args.value("--id").value_or("");
  if (!fileExists(projectPath)) return userError("Project not found: " + projectPath);
  if (!folderExists(folder)) return userError("Folder not found: " + folder);

  StartLibraries();
  Session session;
  std::string error;
  if (!loadProject(projectPath, session, error)) return userError("Could not open the project: " + error);
  if (!onlyId.empty() && !LookupFileIdentity(onlyId)) return userError("No source has the id " + onlyId + ".");

  installInterruptHandler();
  ProgressBar bar("Relinking");
  RelinkWatch watch;
  watch.cancel = interruptFlag();
  watch.progress = [&](size_t done, size_t total) {
    bar.update(total ? static_cast<double>(done) / total : 1.0, std::to_string(done) + "/" + std::to_string(total) + " files");
  };
  int relinked = RelinkFromFolder(folder, onlyId, watch);
  bar.finish();
  std::printf("%s%s\n", RelinkSummary(relinked).c_str(), interrupted() ? " (interrupted)" : "");
  if (relinked == 0) return kExitOk;

  ApplyCurrentSourcePaths(session);
  if (!saveProject(projectPath, session))
    return userError("The project could not be saved with the new locations: " + projectPath);
  std::printf("Saved %s (%zu source%s still missing)\n", projectPath.c_str(), session.missingFiles.size(),
              plural(session.missingFiles.size()));
  return kExitOk;
}

const Registration kRegistration(kRelink);

}  // namespace
}  // namespace vn::cli
