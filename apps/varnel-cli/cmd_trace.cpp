// varnel-cli trace: read the picture of a video and propose events.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/preset_folders.h"
#include "core/project_file.h"
#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "core/source_paths.h"
#include "picture/trace_file.h"
#include "picture/trace_session.h"
#include "picture/video_player.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "progress.h"
#include "project_summary.h"

namespace vn::cli {
namespace {

int runTrace(const std::vector<std::string>& args);

const Command kTrace{
    "trace", "trace VIDEO [-o FILE.vntrace] [--into PROJECT [--slice L] [--below] [--recipe NAME]]",
    "read the picture of a video and propose events",
    "Measures light and motion in VIDEO ten times a second, writes the trace file and lists\n"
    "the events it proposes (time, timecode, type, layer, intensity, slice value).\n"
    "  -o FILE      the trace file (default: VIDEO's name + \"_trace.vntrace\" beside PROJECT,\n"
    "               else in the application's Traces folder)\n"
    "  --into P     import the kept events into project P, keep the read with it, and save it;\n"
    "               the events are placed at the project's video start time\n"
    "  --slice L    the slice level, 0 to 1 (default: the project's own)\n"
    "  --below      keep the events below the slice line instead of above it\n"
    "  --recipe R   apply the saved recipe R to the imported events that name no recipe\n"
    "Ctrl-C stops the read; nothing is written then.",
    runTrace};
const Registration kRegistration(kTrace);

std::string clockText(float seconds) {
  const int whole = static_cast<int>(seconds);
  return format("%d:%02d", whole / 60, whole % 60);
}

// Runs the read on the analysis thread and follows it with a progress bar.
bool readPicture(TraceAnalyzer& analyzer, VideoPlayer& player) {
  installInterruptHandler();
  StartTrace(analyzer, player, TraceRun{});
  ProgressBar bar("Reading picture");
  while (analyzer.running.load()) {
    if (interrupted()) StopTrace(analyzer);
    const float fraction = analyzer.progress.load();
    bar.update(fraction, clockText(fraction * player.duration) + " of " + clockText(player.duration));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  JoinTrace(analyzer);
  if (analyzer.stopRequested.load()) return false;
  bar.finish(format("%d frames", analyzer.numFrames));
  return true;
}

const char* typeName(int type) { return type == kTraceSpot ? "Spot" : type == kTraceCluster ? "Cluster" : "Fill"; }

void printEvents(const TraceAnalyzer& a, const TraceSource& source, const Session* session) {
  if (a.events.empty()) {
    std::printf("No clear events found. The picture may be too still.\n");
    return;
  }
  std::printf("%d events\n", static_cast<int>(a.events.size()));
  std::printf("  %-4s %9s  %-11s  %-7s  %-5s  %9s  %5s%s\n", "#", "time", "timecode", "type", "layer", "intensity",
              "slice", session ? "  kept" : "");
  for (size_t i = 0; i < a.events.size(); ++i) {
    const TraceEvent& e = a.events[i];
    std::string kept;
    if (session) {
      const TraceSummary& s = session->traceSummary;
      kept = e.accepted && KeepBySlice(e, s.opticalDetail, s.traceKeepAbove) ? "  yes" : "  no";
    }
    std::printf("  %-4zu %8.3fs  %-11s  %-7s  %-5s  %9.3f  %5.3f%s\n", i, e.time,
                TraceTimecode(e.time, source.tcStartSec, source.sourceFps).c_str(), typeName(e.type),
                e.layer == kLayerBackground ? "BG" : "FG", e.intensity, e.sliceValue, kept.c_str());
  }
}

int runTrace(const std::vector<std::string>& raw) {
  Args args(raw, {"-o", "--into", "--slice", "--recipe"}, {"--below"});
  const std::optional<double> slice = args.number("--slice");
  if (!args.error().empty()) return usageError(kTrace, args.error());
  if (args.positional().size() != 1) return usageError(kTrace, "trace takes one video");
  const std::optional<std::string> projectPath = args.value("--into");
  if (!projectPath && (slice || args.has("--below") || args.has("--recipe")))
    return usageError(kTrace, "--slice, --below and --recipe need --into");
  if (slice && !(*slice >= 0.0 && *slice <= 1.0)) return usageError(kTrace, "--slice takes a level from 0 to 1");
  const std::string video = absolutePath(args.positional()[0]);
  if (!fileExists(video)) return userError(video + ": File not found");

  Session session;
  ProjectLoadInfo info;
  if (projectPath && !loadProjectForCli(*projectPath, session, info)) return kExitUserError;
  std::optional<Recipe> recipe;
  if (const std::optional<std::string> name = args.value("--recipe")) {
    const std::optional<SavedPreset> saved = findSaved(listRecipes(), *name);
    recipe.emplace();
    if (!saved || !loadRecipe(saved->path, *recipe))
      return userError("No recipe named \"" + *name + "\" is saved in " + recipesFolder() + ".");
    recipe->name = saved->name;
  }

  VideoPlayer player;
  if (projectPath) player.offset = session.videoStartTime;
  if (!LoadVideo(player, video)) return userError("Couldn't decode this video - use an H.264 .mp4 proxy.");

  TraceAnalyzer analyzer;
  Preferences prefs;
  LoadPreferences(prefs);
  analyzer.model = prefs.trainedModel;
  if (!readPicture(analyzer, player)) return userError("Stopped reading the picture; nothing was written.");

  TraceSource source;
  source.path = video;
  source.appVersion = programVersion();
  source.sourceFps = projectPath ? session.settings.fps : player.fps;
  source.tcStartSec = (projectPath ? session.settings.startTC : 0.0f) + player.offset;
  source.width = player.width;
  source.height = player.height;
  std::string traceFile = args.value("-o").value_or(TraceFilePath(projectPath ? absolutePath(*projectPath) : "", video));
  std::error_code ec;
  std::filesystem::create_directories(parentFolder(traceFile), ec);
  if (!WriteTraceFile(traceFile, analyzer, {}, source)) return userError("Could not write the trace file " + traceFile + ".");

  if (projectPath) {
    if (slice) session.traceSummary.opticalDetail = static_cast<float>(*slice);
    session.traceSummary.traceKeepAbove = !args.has("--below");
  }
  printEvents(analyzer, source, projectPath ? &session : nullptr);
  std::printf("Trace file: %s\n", traceFile.c_str());
  if (!projectPath) return kExitOk;

  StoreTraceSummary(analyzer, session.traceSummary);
  session.videoPath = video;
  TraceImportOptions options;
  options.videoOffset = session.videoStartTime;
  options.applyRecipe = applySavedRecipe;
  if (recipe) {
    options.recipeName = recipe->name;
    options.recipeShape = static_cast<int>(recipe->event.shape);
  }
  const int imported = ImportTraceEvents(analyzer, session, options);
  if (!saveProject(*projectPath, session))
    return userError("Could not write " + *projectPath + "; the project was not changed.");
  std::printf("Imported %d event%s into %s (keeping %s the line at %.2f)\n", imported, imported == 1 ? "" : "s",
              projectPath->c_str(), session.traceSummary.traceKeepAbove ? "above" : "below",
              session.traceSummary.opticalDetail);
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
