// varnel-cli play: the built session on the audio device, with a live time display.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "args.h"
#include "audio/playback_engine.h"
#include "audio/playback_setup.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "core/session_timecode.h"
#include "layer_rendering.h"
#include "library/libraries.h"
#include "picture/reference_audio.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "output_choice.h"
#include "progress.h"
#include "render/offline_mix.h"

namespace vn::cli {
namespace {

int runPlay(const std::vector<std::string>& args);

const Command kPlay{
    "play", "play PROJECT [--from S] [--to S] [--device NAME]",
    "play the built session on the audio device",
    "Renders the project's built layers and plays the mix, with the video's sound when the\n"
    "project has a video, on the audio device of the preferences (or the one named),\n"
    "showing the time as it goes. Ctrl-C stops.\n"
    "  --from S       start at S seconds (default 0)\n"
    "  --to S         stop at S seconds (default: the end of the session)\n"
    "  --device NAME  the output device, as varnel-cli devices names it",
    &runPlay};
const Registration kRegistration(kPlay);

// One line that redraws itself on a terminal; a line a second otherwise.
class TimeDisplay {
 public:
  explicit TimeDisplay(const ProjectSettings& settings) : settings_(settings), terminal_(::isatty(1) != 0) {}
  void show(double seconds) {
    const int whole = static_cast<int>(seconds);
    if (!terminal_ && whole == lastWhole_) return;
    lastWhole_ = whole;
    const std::string tc = sessionTimecode(settings_, seconds);
    if (terminal_) std::printf("\r  %s  %7.2f s\x1b[K", tc.c_str(), seconds);
    else std::printf("  %s  %7.2f s\n", tc.c_str(), seconds);
    std::fflush(stdout);
  }
  void end() {
    if (terminal_) std::printf("\n");
  }

 private:
  ProjectSettings settings_;
  bool terminal_;
  int lastWhole_ = -1;
};

int runPlay(const std::vector<std::string>& raw) {
  Args args(raw, {"--from", "--to", "--device"}, {});
  const auto from = args.number("--from");
  const auto to = args.number("--to");
  if (!args.error().empty()) return usageError(kPlay, args.error());
  if (args.positional().size() != 1) return usageError(kPlay, "play takes one project");
  const double start = from.value_or(0.0);
  if (start < 0.0) return usageError(kPlay, "--from is a time of 0 seconds or more");
  if (to && *to <= start) return usageError(kPlay, "--to must come after --from");

  Session session;
  std::string error;
  if (!loadProject(args.positional()[0], session, error)) return userError(error);
  if (session.results.empty())
    return userError("The project has no built layers to play - build it first (varnel-cli build).");
  Preferences prefs;
  LoadPreferences(prefs);

  // The device first: nothing is rendered for a machine that cannot play it.
  AudioOutput output;
  if (!openCommandOutput(output, prefs, args.value("--device"), session.settings.projectSampleRate, error))
    return userError(error);

  installInterruptHandler();
  StartLibraries();
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  if (!renderLayersWithProgress(pipeline, true)) {
    CloseAudioOutput(output);
    return userError("Playback cancelled.");
  }
  const double end = to.value_or(cacheEndSeconds(pipeline.cache, session.settings.totalDuration));
  if (start >= end) {
    CloseAudioOutput(output);
    return userError(format("--from is past the end of the session (%.2f s).", end));
  }

  auto engine = CreatePlaybackEngine(pipeline.cache, session.settings.projectSampleRate);
  if (!engine) {
    CloseAudioOutput(output);
    return userError("Not enough memory to play the session.");
  }
  if (!session.videoPath.empty() && fileExists(session.videoPath)) ExtractReferenceAudio(session.videoPath);
  ApplyPlaybackPreferences(*engine, session, prefs, SteadyNanos());
  ConnectPlayback(output, *engine);
  SeekPlayback(*engine, start);
  SetPlaybackEnd(*engine, end);
  StartPlayback(*engine);
  std::printf("Playing on %s \"%s\" from %.2f s to %.2f s (Ctrl-C stops)\n", output.backendName.c_str(),
              openDeviceName(output).c_str(), start, end);
  if (!output.statusText.empty()) std::fprintf(stderr, "%s\n", output.statusText.c_str());

  TimeDisplay display(session.settings);
  std::string told = output.statusText;
  while (IsPlaying(*engine)) {
    if (interrupted()) StopPlayback(*engine);
    const int64_t now = SteadyNanos();
    TickPlayback(*engine, output, now);
    if (output.statusText != told) {
      told = output.statusText;
      display.end();
      if (!told.empty()) std::fprintf(stderr, "%s\n", told.c_str());
    }
    if (engine->transport.phase.load() != TransportPhase::Stopped) display.show(PlayheadSeconds(*engine, output, now));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double stoppedAt = static_cast<double>(engine->transport.position.load()) / engine->projectRate;
  display.end();
  SetPlaybackSources(output, {}, {});
  CloseAudioOutput(output);
  ClearReferenceAudio();
  std::printf("%s at %.2f s\n", interrupted() ? "Stopped" : "Played to the end", stoppedAt);
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
