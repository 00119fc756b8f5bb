// varnel-cli missing PROJECT: the sound files whose last-known location is gone.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "library/libraries.h"
#include "library/missing_sources.h"
#include "platform/paths.h"

namespace vn::cli {
namespace {

int runMissing(const std::vector<std::string>& args);

const Command kMissing{
    "missing", "missing PROJECT", "list the missing sound sources with the events and Palettes that use them",
    "Reads the Libraries and the project's file references, then lists every source whose\n"
    "last-known location no longer exists: its id, that location and what uses it.",
    runMissing};

int runMissing(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kMissing, args.error());
  if (args.positional().size() != 1) return usageError(kMissing, "give one project file");
  const std::string& projectPath = args.positional()[0];
  if (!fileExists(projectPath)) return userError("Project not found: " + projectPath);

  StartLibraries();
  Session session;
  std::string error;
  if (!loadProject(projectPath, session, error)) return userError("Could not open the project: " + error);
  std::vector<MissingSourceRow> rows = ListMissingSources(session);
  if (rows.empty()) {
    std::printf("No missing sources\n");
    return kExitOk;
  }
  std::printf("  MISSING SOURCES (%zu)\n", rows.size());
  for (const MissingSourceRow& row : rows)
    std::printf("%s  Last-known location: %s  (%s)\n", row.source.fileId.c_str(), row.source.currentPath.c_str(),
                MissingSourceUsage(row).c_str());
  return kExitOk;
}

const Registration kRegistration(kMissing);

}  // namespace
}  // namespace vn::cli
