// varnel-cli render: the built session's mix, offline, to a 24-bit WAV file.
#include <cstdio>

#include <cmath>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "export/render_to_file.h"
#include "library/libraries.h"
#include "platform/log.h"
#include "progress.h"
#include "render/loudness.h"
#include "render_progress.h"

namespace vn::cli {
namespace {

std::optional<MonitorFormat> parseRenderLayout(const std::string& text) {
  if (text == "stereo") return MonitorFormat{SpatialLayout::Stereo, false};
  if (text == "5.1") return MonitorFormat{SpatialLayout::Surround51, false};
  if (text == "7.1.4") return MonitorFormat{SpatialLayout::Surround714, false};
  if (text == "binaural") return MonitorFormat{SpatialLayout::Surround714, true};
  return std::nullopt;
}

int runRender(const std::vector<std::string>& args);

const Command kRender{
    "render", "render PROJECT -o FILE.wav [--layout stereo|5.1|7.1.4|binaural] [--lufs -14|-16|-18|-23] "
              "[--reverb-stem FILE.wav]",
    "render the built session's mix offline to a 24-bit WAV file",
    "Renders every built layer of the project into the render cache and mixes it\n"
    "through the same mixer the audio device plays (gains, fades, placement, reverb),\n"
    "over the timeline, into one 24-bit Broadcast-WAV file (5.1 as WAVEX with its\n"
    "channel mask) that carries the project's recipe and a manifest of its layers.\n"
    "  -o FILE.wav            the mixdown to write (replaced only when the render succeeds)\n"
    "  --layout L             stereo (default), 5.1, 7.1.4, or binaural (7.1.4 for headphones)\n"
    "  --lufs T               loudness-match the mixdown to -14, -16, -18 or -23 LUFS\n"
    "  --reverb-stem FILE.wav also write the wet reverb as its own stereo file\n"
    "The spatial amounts come from the preferences. Ctrl-C stops without writing.",
    runRender};
const Registration kRegistration(kRender);

int runRender(const std::vector<std::string>& raw) {
  Args args(raw, {"-o", "--layout", "--lufs", "--reverb-stem"}, {});
  if (!args.error().empty()) return usageError(kRender, args.error());
  if (args.positional().size() != 1) return usageError(kRender, "render takes one project");
  RenderFileRequest request;
  request.output = args.value("-o").value_or("");
  if (request.output.empty()) return usageError(kRender, "name the output with -o FILE.wav");
  if (const auto layout = args.value("--layout")) {
    const auto format = parseRenderLayout(*layout);
    if (!format) return usageError(kRender, "--layout is stereo, 5.1, 7.1.4 or binaural");
    request.format = *format;
  }
  if (const auto lufs = args.value("--lufs")) {
    const auto value = parseInteger(*lufs);
    const auto index = value ? mixdownLoudnessIndex(*value) : std::nullopt;
    if (!index) return usageError(kRender, "--lufs is -14, -16, -18 or -23");
    request.loudnessIndex = *index;
  }
  request.reverbStem = args.value("--reverb-stem").value_or("");

  const std::string& path = args.positional()[0];
  Session session;
  std::string error;
  if (!loadProject(path, session, error)) return userError(error);
  if (session.results.empty())
    return userError("The project has no built layers to render - build it first (varnel-cli build).");
  if (!session.reverb.enabled && !request.reverbStem.empty())
    return userError("The project's reverb is off, so there is no reverb stem to write.");
  StartLibraries();
  Preferences prefs;
  LoadPreferences(prefs);
  request.spatialAmount = prefs.spatialAmount;
  request.spatialDiffuse = prefs.spatialDiffuse;

  installInterruptHandler();
  RenderFileResult result;
  RenderProgress progress(true);
  if (!renderSessionToFiles(session, request, result, error, progress.watch())) return userError(error);
  if (result.missingSources > 0)
    std::fprintf(stderr, "%d layer(s) whose source could not be read played as silence.\n", result.missingSources);
  if (result.clippedSamples > 0)
    std::fprintf(stderr, "%ld sample(s) went past full scale and were clipped.\n", result.clippedSamples);
  std::printf("Rendered %d blocks, %.2f s, %s, to %s\n", result.blocks, result.seconds,
              monitorFormatLabel(request.format), request.output.c_str());
  if (result.loudness > -100.0f) std::printf("Integrated loudness: %.1f LUFS\n", result.loudness);
  if (result.stemWritten) std::printf("Reverb stem written to %s\n", request.reverbStem.c_str());
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
