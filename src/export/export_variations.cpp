#include "export/export_variations.h"

#include <filesystem>
#include <set>

#include "builder/build_run.h"
#include "builder/layering.h"
#include "core/recipe_io.h"
#include "export/export_names.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/render_to_file.h"
#include "library/libraries.h"
#include "platform/log.h"
#include "platform/text.h"

namespace vn {
namespace {

// Room after the event for its tail, and for the reverb's when it is rendered.
constexpr float kTailSeconds = 0.5f;
constexpr float kReverbTailSeconds = 2.0f;

// The event alone at the start of a session that keeps the project's busses and mix.
Session takeSession(const Session& session, const Event& event, const Preferences& prefs) {
  Session take;
  take.settings = session.settings;
  take.trackLayout = session.trackLayout;
  take.reverb = session.reverb;
  take.reverb.enabled = prefs.varReverb;
  take.settings.projectSampleRate = prefs.varSampleRate;
  take.settings.startTC = 0.0f;
  Event alone = event;
  alone.time = 0.0f;
  take.events.push_back(alone);
  take.settings.totalDuration = alone.duration + (prefs.varReverb ? kReverbTailSeconds : kTailSeconds);
  return take;
}

// Builds the take's layers; false when the build was cancelled.
bool buildTake(Session& take, BuildEngineState& state, uint32_t seed, const Preferences& prefs,
               const std::atomic<bool>* cancel) {
  BuildOptions options;
  options.onlyEvent = 0;
  options.seed = seed;
  options.cancel = cancel;
  {
    LibraryList& list = AppLibraries();
    std::lock_guard lock(list.mutex);
    std::vector<const Library*> libraries;
    for (const Library& library : list.libraries) libraries.push_back(&library);
    if (buildEvents(take, libraries, state, options).cancelled) return false;
  }
  runLayeringPasses(take, prefs.protectSilence, prefs.destructiveEQ);
  return true;
}

// Each event's base name once: a second event of the same name becomes "name 2".
std::vector<std::string> baseNames(const Session& session, const std::vector<int>& events) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (int e : events) {
    const std::string base = safeFileName(defaultRecipeName(session.events[static_cast<size_t>(e)]), "take");
    std::string name = base;
    for (int n = 2; taken.count(name); ++n) name = format("%s %d", base.c_str(), n);
    taken.insert(name);
    names.push_back(name);
  }
  return names;
}

std::string takeIxml(const Event& event, const std::string& displayName) {
  IxmlUserFields fields;
  fields.description = displayName;
  fields.keywords = event.keywords;
  return embedRecipe(fullIxmlDocument(fields), {event});
}

std::string resultTextOf(const VariationRun& run, const std::string& folder) {
  const int n = static_cast<int>(run.written.size());
  if (run.cancelled) return format("Export Variations cancelled - %d take%s kept in %s", n, plural(n), folder.c_str());
  if (n == 0) return "Export Variations FAILED - " + (run.failure.empty() ? std::string("no takes were written") : run.failure);
  if (!run.failure.empty()) return format("Exported %d take%s to %s - %s", n, plural(n), folder.c_str(), run.failure.c_str());
  return format("Exported %d take%s to %s", n, plural(n), folder.c_str());
}

}  // namespace

VariationRun exportVariations(const Session& session, const std::vector<int>& events, const Preferences& prefs,
                              const std::string& folder, const VariationWatch& watch) {
  VariationRun run;
  std::vector<int> valid;
  for (int e : events)
    if (e >= 0 && e < static_cast<int>(session.events.size())) valid.push_back(e);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (valid.empty() || !std::filesystem::is_directory(folder, ec)) {
    run.failure = valid.empty() ? "select the events to vary first" : "the folder " + folder + " could not be made";
    run.resultText = resultTextOf(run, folder);
    return run;
  }
  std::atomic<bool> cancel{false};
  const auto cancelled = [&] {
    if (watch.cancelled && watch.cancelled()) cancel = true;
    return cancel.load();
  };
  const int count = std::max(1, prefs.varCount);
  const int total = count * static_cast<int>(valid.size());
  const std::vector<std::string> names = baseNames(session, valid);
  for (size_t i = 0; i < valid.size() && !cancelled(); ++i) {
    const Event& event = session.events[static_cast<size_t>(valid[i])];
    BuildEngineState state;  // one per event, so its takes draw different sounds
    for (int k = 1; k <= count && !cancelled(); ++k) {
      const std::string display = variationDisplayName(names[i], k, prefs.varReverb);
      if (watch.progress) watch.progress(static_cast<int>(i) * count + k - 1, total, display);
      Session take = takeSession(session, event, prefs);
      if (!buildTake(take, state, static_cast<uint32_t>(k * 7919 + valid[i]), prefs, &cancel)) break;
      RenderFileRequest request;
      request.output = variationFileName(folder, names[i], k, count, prefs.varReverb, prefs.varNameStyle);
      request.description = display;
      request.channels = prefs.varChannels == 2 ? 2 : 1;
      request.ixmlHost = takeIxml(take.events[0], display);
      request.normaliseTake = true;
      request.varNormalize = prefs.varNormalize;
      request.varNormalizeDb = prefs.varNormalizeDb;
      RenderFileResult result;
      RenderFileWatch fileWatch;
      fileWatch.cancelled = cancelled;
      std::string error;
      if (renderSessionToFiles(take, request, result, error, fileWatch)) {
        run.written.push_back(request.output);
        logLine("[Export] take written to %s\n", request.output.c_str());
      } else if (!cancelled() && run.failure.empty()) {
        run.failure = display + ": " + error;
      }
    }
  }
  run.cancelled = cancel.load();
  if (watch.progress) watch.progress(total, total, {});
  run.resultText = resultTextOf(run, folder);
  logLine("[Export] %s\n", run.resultText.c_str());
  return run;
}

}  // namespace vn
