// varnel-cli aaf: the built session as an AAF session with its Broadcast-WAV essence.
#include <cstdio>
#include <filesystem>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "export/aaf_delivery.h"
#include "export/aaf_export.h"
#include "export/render_to_file.h"
#include "platform/log.h"
#include "layer_rendering.h"
#include "library/libraries.h"
#include "progress.h"
#include "render/mixer.h"
#include "render/offline_mix.h"
#include "render/render_pipeline.h"

namespace vn::cli {
namespace {

int runAaf(const std::vector<std::string>& args);

const Command kAaf{
    "aaf",
    "aaf PROJECT -o FILE.aaf [--multichannel] [--keep-source-channels] [--handles S | --full-source] "
    "[--vol-auto] [--markers]",
    "write the built session as an AAF session with its essence files",
    "Renders every built layer, writes each clip's essence as a 24-bit Broadcast-WAV\n"
    "file into \"Audio Files\" beside the AAF, then the AAF file: a composition\n"
    "\"Varnel Timeline\" with one track per delivery track, every clip at its timecode\n"
    "with its gain, and a timecode track at the project's frame rate and start.\n"
    "  -o FILE.aaf              the AAF file to write\n"
    "  --multichannel           one stereo track per stereo track (default: two mono tracks)\n"
    "  --keep-source-channels   every layer with its source file's own channels\n"
    "  --handles S              seconds of handle on each side of a clip (default 1)\n"
    "  --full-source            the whole source file as handles\n"
    "  --vol-auto               the events' intensity curves as clip gain automation\n"
    "  --markers                a marker at every event's sync point\n"
    "  --reverb-stem            the wet reverb as its own track after the others\n"
    "When the AAF cannot be written, the essence files written for it are removed.",
    runAaf};
const Registration kRegistration(kAaf);

int runAaf(const std::vector<std::string>& raw) {
  Args args(raw, {"-o", "--handles"},
            {"--multichannel", "--keep-source-channels", "--full-source", "--vol-auto", "--markers", "--reverb-stem"});
  const auto handles = args.number("--handles");
  if (!args.error().empty()) return usageError(kAaf, args.error());
  if (args.positional().size() != 1) return usageError(kAaf, "aaf takes one project");
  const std::string output = args.value("-o").value_or("");
  if (output.empty()) return usageError(kAaf, "name the AAF file with -o FILE.aaf");
  if (handles && args.has("--full-source")) return usageError(kAaf, "--handles and --full-source exclude each other");
  if (handles && (*handles < 0 || *handles > 600)) return usageError(kAaf, "--handles is 0 to 600 seconds");

  AafExportOptions options;
  options.multichannelTracks = args.has("--multichannel");
  options.sourceChannels = args.has("--keep-source-channels");
  options.handleSeconds = handles.value_or(1.0);
  options.fullSource = args.has("--full-source");
  options.volAuto = args.has("--vol-auto");
  options.markers = args.has("--markers");

  Session session;
  std::string error;
  if (!loadProject(args.positional()[0], session, error)) return userError(error);
  if (session.results.empty())
    return userError("The project has no built layers to export - build it first (varnel-cli build).");
  StartLibraries();
  installInterruptHandler();
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  if (!renderLayersWithProgress(pipeline, true)) return userError("Export cancelled - nothing was written.");

  MixdownBuffer stem;  // outlives the export, which reads it in place
  if (args.has("--reverb-stem")) {
    if (!session.reverb.enabled)
      return userError("The project's reverb is off, so there is no reverb stem to write.");
    Preferences prefs;
    LoadPreferences(prefs);
    OfflineMixRequest mix;
    mix.settings = mixSettingsFromSession(session, prefs.spatialAmount, prefs.spatialDiffuse, MonitorFormat{});
    mix.end = cacheEndSeconds(pipeline.cache, session.settings.totalDuration);
    if (!renderReverbStem(pipeline.cache, mix, stem, [](double) { return !interrupted(); }))
      return userError("The reverb stem could not be mixed.");
    options.reverbStem = &stem.channels;
  }

  Preferences prefs;
  LoadPreferences(prefs);
  FitOptions fitOptions;
  fitOptions.keepSourceChannels = options.sourceChannels;
  fitOptions.spatialAmount = prefs.spatialAmount;
  const DeliveryResult fit = fitDelivery(session, pipeline.cache, fitOptions);
  if (!fit.aligned) logLine("[Export] delivery fit broke index alignment - shipping the session unfitted.\n");
  AafExportResult result;
  {
    std::lock_guard<std::mutex> lock(pipeline.cache.mutex);
    result = exportAafSession(session, pipeline.cache,
                              aafDeliveryTracks(session, pipeline.cache, fit.aligned ? &fit : nullptr,
                                                prefs.spatialAmount),
                              output, options);
  }
  if (!result.ok) {
    std::error_code ec;
    for (const std::string& path : result.essenceFiles) std::filesystem::remove(path, ec);
    return userError(result.reason);
  }
  std::printf("Wrote %s: %d track(s), %d clip(s), %zu essence file(s)\n", output.c_str(), result.tracks,
              result.clips, result.essenceFiles.size());
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
