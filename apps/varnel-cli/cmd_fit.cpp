// varnel-cli fit: the delivery report of a built project fitted to its busses' declared tracks.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "export/delivery_fit.h"
#include "layer_rendering.h"
#include "library/libraries.h"
#include "progress.h"
#include "render/render_pipeline.h"
#include "render/track_routing.h"

namespace vn::cli {
namespace {

int runFit(const std::vector<std::string>& args);

const Command kFit{"fit", "fit PROJECT [--keep-source-channels]",
                   "print the delivery report: the session fitted to the tracks its busses declare",
                   "Renders every built layer, places the layers of each bus that declares delivery\n"
                   "tracks on those tracks (earliest first, converting to each track's format),\n"
                   "folds overlapping layers that do not fit into comps - the sounds hardest to\n"
                   "tell apart first - and prints the delivery report. Layers that still cannot\n"
                   "be placed are named in the report's warning; the command succeeds anyway.\n"
                   "  --keep-source-channels  ship every layer with its own channels, nothing folded",
                   runFit};
const Registration kRegistration(kFit);

int runFit(const std::vector<std::string>& raw) {
  Args args(raw, {}, {"--keep-source-channels"});
  if (!args.error().empty()) return usageError(kFit, args.error());
  if (args.positional().size() != 1) return usageError(kFit, "fit takes one project");
  Session session;
  std::string error;
  if (!loadProject(args.positional()[0], session, error)) return userError(error);
  if (session.results.empty())
    return userError("The project has no built layers to fit - build it first (varnel-cli build).");
  StartLibraries();
  Preferences prefs;
  LoadPreferences(prefs);

  installInterruptHandler();
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  if (!renderLayersWithProgress(pipeline, true)) return userError("Fit cancelled.");
  rerouteAndRepack(session, pipeline.layout);

  FitOptions options;
  options.keepSourceChannels = args.has("--keep-source-channels");
  options.spatialAmount = prefs.spatialAmount;
  const DeliveryResult result = fitDelivery(session, pipeline.cache, options);
  std::fputs(result.report.c_str(), stdout);
  if (!result.aligned) std::fprintf(stderr, "The fitted tracks no longer line up with the session.\n");
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
