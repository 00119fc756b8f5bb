// varnel-cli build: chooses and layers sounds for the events of a project.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "args.h"
#include "builder/build_run.h"
#include "builder/reference_set.h"
#include "build_session.h"
#include "command.h"
#include "core/project_file.h"
#include "core/source_paths.h"
#include "core/session_timecode.h"
#include "platform/log.h"
#include "progress.h"

namespace vn::cli {
namespace {

int runBuild(const std::vector<std::string>& args);

const Command kBuild{
    "build", "build PROJECT [--seed N] [--event I] [--range A B] [--reference FILE...]",
    "choose and layer sounds for the events of a project, then save it",
    "Builds every unlocked event against the Libraries of the application data folder,\n"
    "runs the layering passes and saves the project. Per event it prints the chosen\n"
    "sounds with their scores, then the status line.\n"
    "  --seed N           random seed; the same seed within the same second repeats a build\n"
    "  --event I          rebuild event I alone (even when it is locked)\n"
    "  --range A B        only events whose time lies in A..B seconds\n"
    "  --reference FILE.. files whose sound the build should favour (they must be in a Library)",
    runBuild};

void printEvents(const Session& session, const BuildSummary& summary) {
  std::vector<char> built(session.events.size(), 0);
  for (int i : summary.builtEvents) built[i] = 1;
  int lastEvent = -1;
  for (int i = 0; i < static_cast<int>(session.results.size()); ++i) {
    const Layer& l = session.results[i];
    if (l.eventIdx < 0 || l.eventIdx >= static_cast<int>(built.size()) || !built[l.eventIdx]) continue;
    if (l.eventIdx != lastEvent) {
      lastEvent = l.eventIdx;
      const Event& ev = session.events[l.eventIdx];
      std::printf("Event %d  %s  %s  %.2f s%s%s%s\n", l.eventIdx, shapeName(ev.shape),
                  sessionTimecode(session.settings, ev.time).c_str(), ev.duration, ev.keywords.empty() ? "" : "  \"",
                  ev.keywords.c_str(), ev.keywords.empty() ? "" : "\"");
    }
    const auto score = summary.pickScores.find(l.id);
    std::printf("%s\n", layerLine(session, i, score == summary.pickScores.end() ? std::nullopt
                                                                                 : std::optional<float>(score->second))
                            .c_str());
  }
}

int runBuild(const std::vector<std::string>& raw) {
  Args args(raw, {"--seed", "--event"}, {}, {"--range", "--reference"});
  const auto seed = args.integer("--seed");
  const auto event = args.integer("--event");
  if (!args.error().empty()) return usageError(kBuild, args.error());
  if (args.positional().size() != 1) return usageError(kBuild, "build takes one project");
  const std::vector<std::string> range = args.values("--range");
  if (args.has("--range") && range.size() != 2) return usageError(kBuild, "--range needs two times, A and B");

  BuildOptions options;
  options.seed = static_cast<uint32_t>(seed.value_or(0));
  if (range.size() == 2) {
    const auto a = parseNumber(range[0]), b = parseNumber(range[1]);
    if (!a || !b || *b <= *a || *a < 0) return usageError(kBuild, "--range needs two times A < B, from 0 on");
    options.rangeStart = static_cast<float>(*a);
    options.rangeEnd = static_cast<float>(*b);
  }

  const std::string& path = args.positional()[0];
  Session session;
  std::string error;
  if (!loadProject(path, session, error)) return userError(error);
  if (event) {
    if (*event < 0 || *event >= static_cast<long long>(session.events.size()))
      return userError(format("The project has %zu events; there is no event %lld.", session.events.size(), *event));
    options.onlyEvent = static_cast<int>(*event);
  }

  BuildEngineState state;
  if (args.has("--reference")) {
    std::vector<std::string> unknown;
    std::vector<std::string> files;
    for (const auto& file : args.values("--reference")) files.push_back(absolutePath(file));
    StartLibraries();
    LibraryList& list = AppLibraries();
    {
      std::lock_guard lock(list.mutex);
      state.reference = makeReferenceSet(files, libraryPointers(list), &unknown);
    }
    for (const auto& file : unknown)
      std::fprintf(stderr, "Not in any Library, left out of the reference set: %s\n", file.c_str());
    if (!state.reference.active())
      return userError("None of the reference files is in a Library; scan their folder first.");
  }

  installInterruptHandler();
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  ProgressBar bar("Building");
  options.progress = [&](int done, int total) {
    bar.update(total > 0 ? static_cast<double>(done) / total : 1.0, format("%d/%d events", done, total));
    if (interrupted()) cancel = true;
  };
  const BuildSummary summary = buildWithAppLibraries(session, state, options);
  bar.finish(format("%d events", summary.eventsBuilt));
  printEvents(session, summary);
  std::printf("%s\n", summary.status.empty() ? format("Built %d event%s - %d layer%s", summary.eventsBuilt,
                                                      plural(summary.eventsBuilt), summary.layersAdded,
                                                      plural(summary.layersAdded))
                                                   .c_str()
                                             : summary.status.c_str());
  if (summary.cancelled) std::printf("Stopped - the events built so far are kept\n");
  if (!saveProject(path, session)) return userError(format("Could not save %s; the file on disk is unchanged.", path.c_str()));
  return kExitOk;
}

const Registration kRegistration(kBuild);

}  // namespace
}  // namespace vn::cli
