// varnel-cli reroll: "Next sound" for one layer of a built project.
#include <cstdio>
#include <mutex>

#include "args.h"
#include "builder/build_run.h"
#include "builder/reroll.h"
#include "build_session.h"
#include "command.h"
#include "core/project_file.h"
#include "platform/log.h"

namespace vn::cli {
namespace {

int runReroll(const std::vector<std::string>& args);

const Command kReroll{"reroll", "reroll PROJECT --layer I [--narrow]",
                      "swap the sound of one layer for another candidate (\"Next sound\")",
                      "Picks another sound for layer I among the candidates of its event, close to the\n"
                      "current one, and saves the project. Alloy layers are not re-rolled.\n"
                      "  --layer I   the layer, as numbered by \"varnel-cli build\"\n"
                      "  --narrow    draw from the best 3 candidates instead of the best 8",
                      runReroll};

int runReroll(const std::vector<std::string>& raw) {
  Args args(raw, {"--layer"}, {"--narrow"});
  const auto layer = args.integer("--layer");
  if (!args.error().empty()) return usageError(kReroll, args.error());
  if (args.positional().size() != 1) return usageError(kReroll, "reroll takes one project");
  if (!layer) return usageError(kReroll, "--layer is needed");

  const std::string& path = args.positional()[0];
  Session session;
  std::string error;
  if (!loadProject(path, session, error)) return userError(error);
  if (*layer < 0 || *layer >= static_cast<long long>(session.results.size()))
    return userError(format("The project has %zu layers; there is no layer %lld.", session.results.size(), *layer));
  const int index = static_cast<int>(*layer);
  if (session.results[index].procMode == 3) return userError("Alloy layers blend four sources and are not re-rolled.");

  StartLibraries();
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  const std::vector<const Library*> libraries = libraryPointers(list);
  BuildEngineState state;
  const std::string before = session.results[index].name;
  if (!rerollLayer(session, libraries, state, index, args.has("--narrow"), currentSeconds())) {
    std::printf("No other sound fits layer %d; it is unchanged.\n", index);
    return kExitOk;
  }
  const Layer& now = session.results[index];
  std::printf("Layer %d: %s -> %s%s\n", index, before.c_str(), now.name.c_str(),
              now.name == before ? " (another stretch of the file)" : "");
  session.dirty = true;
  if (!saveProject(path, session)) return userError(format("Could not save %s; the file on disk is unchanged.", path.c_str()));
  return kExitOk;
}

const Registration kRegistration(kReroll);

}  // namespace
}  // namespace vn::cli
