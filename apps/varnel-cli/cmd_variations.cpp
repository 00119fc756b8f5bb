// varnel-cli variations: takes of chosen events, each built afresh and written on its own.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "export/export_variations.h"
#include "library/libraries.h"
#include "platform/text.h"
#include "progress.h"

namespace vn::cli {
namespace {

int runVariations(const std::vector<std::string>& args);

const Command kVariations{
    "variations",
    "variations PROJECT --events I,J --out DIR [--takes N] [--mono] [--rate HZ] [--reverb] [--normalize DB]",
    "export takes of events: each built afresh from the Libraries and written as its own file",
    "Every take of an event is a new build of that event alone, rendered on its own and\n"
    "peak-normalised, written as \"<name>_<take>.wav\" with the take's recipe in its iXML.\n"
    "Options not given come from the preferences (the var* keys).\n"
    "  --events I,J     the events (0 is the first), comma-separated\n"
    "  --out DIR        the folder of the takes (made when missing)\n"
    "  --takes N        takes per event, 1 to 999\n"
    "  --mono           one channel instead of two\n"
    "  --rate HZ        44100, 48000, 88200 or 96000\n"
    "  --reverb         render the project's reverb into the takes\n"
    "  --normalize DB   peaks to DB dBFS (-24 to 0); without it takes are only turned down to -1 dBFS",
    runVariations};
const Registration kRegistration(kVariations);

bool isVariationRate(long long rate) { return rate == 44100 || rate == 48000 || rate == 88200 || rate == 96000; }

int runVariations(const std::vector<std::string>& raw) {
  Args a(raw, {"--events", "--out", "--takes", "--rate", "--normalize"}, {"--mono", "--reverb"});
  const std::optional<long long> takes = a.integer("--takes");
  const std::optional<long long> rate = a.integer("--rate");
  const std::optional<long long> normalize = a.integer("--normalize");
  if (!a.error().empty()) return usageError(kVariations, a.error());
  if (a.positional().size() != 1) return usageError(kVariations, "variations takes one project");
  const std::optional<std::string> events = a.value("--events");
  const std::optional<std::string> folder = a.value("--out");
  if (!events) return usageError(kVariations, "--events I,J is needed");
  if (!folder || folder->empty()) return usageError(kVariations, "name the folder of the takes with --out DIR");
  const std::optional<std::vector<int>> positions = eventList(*events);
  if (!positions) return usageError(kVariations, "--events takes event numbers separated by commas");
  if (takes && (*takes < 1 || *takes > 999)) return usageError(kVariations, "--takes is 1 to 999");
  if (rate && !isVariationRate(*rate)) return usageError(kVariations, "--rate is 44100, 48000, 88200 or 96000");
  if (normalize && (*normalize < -24 || *normalize > 0)) return usageError(kVariations, "--normalize is -24 to 0");

  Preferences prefs;
  LoadPreferences(prefs);
  if (takes) prefs.varCount = static_cast<int>(*takes);
  if (rate) prefs.varSampleRate = static_cast<int>(*rate);
  if (a.has("--mono")) prefs.varChannels = 1;
  if (a.has("--reverb")) prefs.varReverb = true;
  if (normalize) {
    prefs.varNormalize = true;
    prefs.varNormalizeDb = static_cast<int>(*normalize);
  }
  const std::string& project = a.positional()[0];
  Session session;
  std::string error;
  if (!loadProject(project, session, error)) return userError(error);
  for (int p : *positions)
    if (p >= static_cast<int>(session.events.size()))
      return userError(format("The project has %zu event%s; there is no event %d.", session.events.size(),
                              plural(static_cast<int64_t>(session.events.size())), p));
  StartLibraries();

  installInterruptHandler();
  ProgressBar bar("Takes");
  VariationWatch watch;
  watch.progress = [&](int done, int total, const std::string& name) {
    bar.update(total > 0 ? static_cast<double>(done) / total : 1.0, name);
  };
  watch.cancelled = [] { return interrupted(); };
  const VariationRun run = exportVariations(session, *positions, prefs, *folder, watch);
  bar.finish(format("%zu written", run.written.size()));
  for (const std::string& path : run.written) std::printf("  %s\n", path.c_str());
  std::printf("%s\n", run.resultText.c_str());
  return run.written.empty() || run.cancelled ? kExitUserError : kExitOk;
}

}  // namespace
}  // namespace vn::cli
