#include "demo_build.h"

#include <cstdio>

#include "build_session.h"
#include "platform/text.h"

namespace vn::cli {
namespace {

bool userFileEvent(const Event& e) {
  return (e.shape == ShapeType::Clip && !e.pinnedFile.empty()) ||
         (e.shape == ShapeType::Bed && !e.pinnedFiles.empty());
}

}  // namespace

bool BuildDemoEvents(Session& session) {
  BuildEngineState state;
  BuildOptions options;
  // A fixed clock as well as a fixed seed: the demo picks the same sounds on every
  // run, so its delivery is the same files each time.
  options.seed = 2026;
  options.nowSeconds = 0;
  const BuildSummary summary = buildWithAppLibraries(session, state, options);
  std::printf("      %d events built, %d layers\n", summary.eventsBuilt, summary.layersAdded);
  if (!summary.status.empty()) std::printf("      %s\n", summary.status.c_str());
  if (summary.eventsBuilt > 0 && summary.layersAdded == 0) {
    std::fprintf(stderr, "The build made no layers for the demo events.\n");
    return false;
  }
  // Clips and Beds are locked, so a build leaves them be; each is rebuilt alone,
  // as "Rebuild this event" does, so that the user's files become its layers.
  for (int i = 0; i < static_cast<int>(session.events.size()); ++i) {
    if (!userFileEvent(session.events[i])) continue;
    options.onlyEvent = i;
    const BuildSummary own = buildWithAppLibraries(session, state, options);
    std::printf("      %s \"%s\": %d layer%s from its own file%s\n", shapeName(session.events[i].shape),
                session.events[i].keywords.c_str(), own.layersAdded, plural(own.layersAdded),
                session.events[i].shape == ShapeType::Bed ? "s" : "");
  }
  return true;
}

}  // namespace vn::cli
