#include "demo_build.h"

#include <cstdio>

#include "build_session.h"

namespace vn::cli {

bool BuildDemoEvents(Session& session) {
  BuildEngineState state;
  BuildOptions options;
  options.seed = 2026;
  const BuildSummary summary = buildWithAppLibraries(session, state, options);
  std::printf("      %d events built, %d layers\n", summary.eventsBuilt, summary.layersAdded);
  if (!summary.status.empty()) std::printf("      %s\n", summary.status.c_str());
  if (summary.eventsBuilt > 0 && summary.layersAdded == 0) {
    std::fprintf(stderr, "The build made no layers for the demo events.\n");
    return false;
  }
  return true;
}

}  // namespace vn::cli
