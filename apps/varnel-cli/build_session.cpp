#include "build_session.h"

#include <mutex>

#include "builder/layering.h"
#include "core/preferences.h"
#include "core/session_timecode.h"
#include "platform/log.h"

namespace vn::cli {

std::vector<const Library*> libraryPointers(LibraryList& list) {
  std::vector<const Library*> out;
  for (const Library& library : list.libraries) out.push_back(&library);
  return out;
}

BuildSummary buildWithAppLibraries(Session& session, BuildEngineState& state, const BuildOptions& options) {
  Preferences prefs;
  LoadPreferences(prefs);
  StartLibraries();
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  const std::vector<const Library*> libraries = libraryPointers(list);
  BuildSummary summary = buildEvents(session, libraries, state, options);
  runLayeringPasses(session, prefs.protectSilence, prefs.destructiveEQ);
  return summary;
}

std::string layerLine(const Session& session, int layerIndex, std::optional<float> score) {
  const Layer& l = session.results[layerIndex];
  const std::string how = l.placeholder ? "placeholder" : score ? format("score %.2f", *score) : "your file";
  return format("  %3d  %-34s %-12s at %s  %6.2f s  from %.2f s  weight %.2f", layerIndex, l.name.c_str(),
                how.c_str(), sessionTimecode(session.settings, l.startTime).c_str(), l.duration, l.sourceOffset,
                l.weight);
}

}  // namespace vn::cli
