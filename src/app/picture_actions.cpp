#include "app/picture_actions.h"

#include <GL/gl.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/engines.h"
#include "app/picture_state.h"
#include "core/recipe_apply.h"
#include "picture/reference_audio.h"
#include "picture/trace_file.h"
#include "picture/trace_session.h"
#include "platform/fnv.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr const char* kVideoExtensions[] = {".mp4", ".mov", ".m4v", ".avi", ".mkv", ".wmv", ".webm", ".mxf"};

bool isVideoFile(const std::string& name) {
  for (const char* ext : kVideoExtensions)
    if (endsWithNoCase(name, ext)) return true;
  return false;
}

std::string browseFolder(const AppState& app) {
  if (!app.session.videoPath.empty()) return parentFolder(app.session.videoPath);
  if (!app.project.projectPath.empty()) return parentFolder(app.project.projectPath);
  return documentsFolder();
}

const std::string& openVideoPath() {
  static const std::string none;
  const PictureState& p = appPicture();
  return p.player.loaded ? p.player.decoder->path : none;
}

// Which stored read the Session holds: enough of it to notice an open, a new
// project or an undo that replaced it.
uint64_t summarySignature(const TraceSummary& s) {
  uint64_t h = fnvFeedU64(kFnvStart, s.frames.size());
  h = fnvFeedU64(h, s.events.size());
  h = fnvFeed(h, &s.maxCompositeEnergy, sizeof(float));
  h = fnvFeed(h, &s.duration, sizeof(float));
  for (const SuggestedEvent& e : s.events) h = fnvFeed(h, &e.time, sizeof(float));
  if (!s.frames.empty()) h = fnvFeed(h, s.frames.back().data(), sizeof(float) * kStoredFrameColumns);
  return h;
}

// The Session no longer keeps a read (a new one starts, or the read was cleared).
void forgetStoredRead(AppState& app) {
  TraceSummary& s = app.session.traceSummary;
  s.frames.clear();
  s.events.clear();
  s.numFrames = 0;
  s.maxCompositeEnergy = 0.0f;
  app.session.dirty = true;
  appPicture().mirroredSummary = summarySignature(s);
}

TraceSource traceSourceOf(const AppState& app) {
  const PictureState& p = appPicture();
  TraceSource source;
  source.path = openVideoPath();
  source.appVersion = programVersion();
  source.sourceFps = app.session.settings.fps;
  source.tcStartSec = app.session.settings.startTC + app.session.videoStartTime;
  source.width = p.player.width;
  source.height = p.player.height;
  return source;
}

// The read works on the open player: it ends before the player changes.
void endReadBeforePlayerChange() {
  PictureState& p = appPicture();
  if (!p.analyzer.running.load() && !p.analyzer.worker.joinable()) return;
  StopTrace(p.analyzer);
  JoinTrace(p.analyzer);
  p.reading = false;
}

void finishLoad(AppState& app) {
  PictureState& p = appPicture();
  if (!p.load || !p.load->done.load()) return;
  std::unique_ptr<VideoLoad> load = std::move(p.load);
  load->worker.join();
  if (!load->ok.load()) {
    p.loadError = load->fromProject ? "Couldn't decode the project's video - use an H.264 .mp4 proxy."
                                    : "Couldn't decode this video - use an H.264 .mp4 proxy.";
    setStatus(app, p.loadError);
    return;
  }
  p.loadError.clear();
  endReadBeforePlayerChange();
  p.player = std::move(load->player);
  p.uploadedSerial = 0;
  if (!load->fromProject) {
    // An undo step when the Session can take one; the video is the project's either way.
    beginEdit(app, "Import video");
    app.session.videoPath = load->path;
    if (p.player.fps > 0.0f) app.session.settings.fps = p.player.fps;
    app.session.dirty = true;
  }
  // A silent video is no fault, but the user should know why nothing plays along.
  setStatus(app, fileNameOf(load->path) + (CurrentReferenceAudio() ? " loaded" : " loaded; it has no sound track to play."));
}

// The project names a video that is not the one open: load it (once per path).
void followProjectVideo(AppState& app) {
  PictureState& p = appPicture();
  static std::string attempted;
  const std::string& wanted = app.session.videoPath;
  if (p.load) return;
  if (wanted.empty()) {
    if (p.player.loaded) {
      endReadBeforePlayerChange();
      CloseVideo(p.player);
    }
    attempted.clear();
    return;
  }
  if (wanted == openVideoPath() || wanted == attempted) return;
  attempted = wanted;
  loadVideoInBackground(app, wanted, true);
}

// A read that ended goes into the Session; a Session whose stored read changed
// under the analyzer (open, new project, undo) is mirrored back.
void followPictureRead(AppState& app) {
  PictureState& p = appPicture();
  TraceAnalyzer& a = p.analyzer;
  const bool running = a.running.load();
  if (p.reading && !running) {
    JoinTrace(a);
    p.reading = false;
    if (a.ready.load()) {
      p.haveRead = true;
      StoreTraceSummary(a, app.session.traceSummary);
      app.session.dirty = true;
      p.mirroredSummary = summarySignature(app.session.traceSummary);
    }
    return;
  }
  if (running) return;
  const uint64_t stored = summarySignature(app.session.traceSummary);
  if (stored == p.mirroredSummary) return;
  p.mirroredSummary = stored;
  if (app.session.traceSummary.frames.empty()) {
    ResetTrace(a, 0.0f);
    a.frames.clear();
    p.haveRead = false;
  } else {
    RestoreTraceSummary(app.session.traceSummary, a);
    p.haveRead = true;
  }
}

void followPlayhead(AppState& app) {
  VideoPlayer& player = appPicture().player;
  if (!player.loaded) return;
  player.offset = app.session.videoStartTime;
  const bool playing = isPlaying(app);
  if (playing != player.decoder->playing) {
    Seek(player, static_cast<float>(app.playhead));
    if (playing) Play(player);
    else Pause(player);
  }
  if (!playing) Seek(player, static_cast<float>(app.playhead));
  const float shown = Tick(player);
  // The audio clock leads; a picture that drifted more than a few frames catches up.
  if (playing && std::fabs(shown - app.playhead) > 0.25 && app.playhead - player.offset < player.duration) {
    Seek(player, static_cast<float>(app.playhead));
    Play(player);
  }
}

}  // namespace

PictureState& appPicture() {
  static PictureState state;
  return state;
}

bool videoLoading() { return appPicture().load != nullptr; }

void importVideoCommand(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Select a video file for reference", browseFolder(app), isVideoFile,
                  [&app](const std::string& path) { loadVideoInBackground(app, path, false); });
}

void loadVideoInBackground(AppState& app, const std::string& path, bool fromProject) {
  PictureState& p = appPicture();
  if (p.load) return;
  auto load = std::make_unique<VideoLoad>();
  load->path = path;
  load->fromProject = fromProject;
  VideoLoad* raw = load.get();
  // A failed load must not take the open video's sound away with it.
  raw->worker = std::thread([raw, keep = CurrentReferenceAudio()] {
    raw->ok.store(LoadVideo(raw->player, raw->path));
    if (!raw->ok.load()) PublishReferenceAudio(keep);
    raw->done.store(true);
  });
  p.load = std::move(load);
  app.inputFrames = std::max(app.inputFrames, 2);
}

void importMarkersCommand(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Import Pro Tools Session Text", browseFolder(app),
                  extensionFilter(".txt"), [&app](const std::string& path) { importMarkersFrom(app, path); });
}

void importMarkersFrom(AppState& app, const std::string& path) {
  PictureState& p = appPicture();
  std::ifstream in(path, std::ios::binary);
  std::vector<ImportedMarker> markers;
  std::vector<ImportedScene> scenes;
  if (in) ParseSessionMarkers(in, app.session.settings.fps, markers, &scenes, savedRecipeNames());
  p.markers = std::move(markers);
  if (!scenes.empty() && beginEdit(app, "Import scenes")) AddImportedScenes(scenes, app.session);
  if (!p.markers.empty()) selectOnly(app.selection, -1);
  showPictureMessage(app,
                     format("%d marker%s, %d scene%s from %s", static_cast<int>(p.markers.size()),
                            p.markers.size() == 1 ? "" : "s", static_cast<int>(scenes.size()),
                            scenes.size() == 1 ? "" : "s", fileNameOf(path).c_str()),
                     p.markers.empty() && scenes.empty());
  app.focusPanel = "Trace";
}

void browseForTraceFile(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Import Trace Data", browseFolder(app), extensionFilter(".vntrace"),
                  [&app](const std::string& path) { importTraceFile(app, path); });
}

bool importTraceFile(AppState& app, const std::string& path) {
  PictureState& p = appPicture();
  if (p.analyzer.running.load()) return false;
  if (!ReadTraceFile(path, p.analyzer)) {
    showPictureMessage(app, "Couldn't read this .vntrace file.", true, 6.0);
    return false;
  }
  p.haveRead = true;
  StoreTraceSummary(p.analyzer, app.session.traceSummary);
  app.session.dirty = true;
  p.mirroredSummary = summarySignature(app.session.traceSummary);
  showPictureMessage(app, "Imported trace data - " + std::to_string(p.analyzer.events.size()) + " events.", false);
  app.focusPanel = "Trace";
  return true;
}

void startPictureRead(AppState& app) {
  PictureState& p = appPicture();
  if (!p.player.loaded || p.analyzer.running.load()) return;
  TraceRun run;
  run.params = p.params;
  run.source = traceSourceOf(app);
  run.traceFilePath = TraceFilePath(app.project.projectPath, run.source.path);
  // Reads of unsaved projects go to the application's Traces folder.
  std::error_code ec;
  std::filesystem::create_directories(parentFolder(run.traceFilePath), ec);
  forgetStoredRead(app);
  StartTrace(p.analyzer, p.player, run);
  p.reading = true;
  p.haveRead = false;
}

void stopPictureRead() { StopTrace(appPicture().analyzer); }

void clearPictureRead(AppState& app) {
  PictureState& p = appPicture();
  if (p.analyzer.running.load() || !beginEdit(app, "Clear the picture read")) return;
  ResetTrace(p.analyzer, 0.0f);
  p.analyzer.frames.clear();
  p.haveRead = false;
  forgetStoredRead(app);
}

void toggleTraceEvent(AppState& app, int index) {
  PictureState& p = appPicture();
  if (index < 0 || index >= static_cast<int>(p.analyzer.events.size())) return;
  const bool accepted = !p.analyzer.events[index].accepted;
  p.analyzer.events[index].accepted = accepted;
  std::vector<SuggestedEvent>& stored = app.session.traceSummary.events;
  if (index < static_cast<int>(stored.size())) stored[index].accepted = accepted;
  app.session.dirty = true;
}

int importPictureEvents(AppState& app) {
  PictureState& p = appPicture();
  if (p.analyzer.running.load() || !beginEdit(app, "Import picture events")) return 0;
  TraceImportOptions options;
  options.videoOffset = app.session.videoStartTime;
  options.applyRecipe = applySavedRecipe;
  options.recipeName = p.importRecipe;
  options.recipeShape = p.importRecipe.empty() ? -1 : p.importRecipeShape;
  int imported = p.haveRead ? ImportTraceEvents(p.analyzer, app.session, options) : 0;
  imported += ImportMarkerEvents(p.markers, app.session, applySavedRecipe);
  setStatus(app, format("Imported %d event%s", imported, imported == 1 ? "" : "s"));
  return imported;
}

void showPictureMessage(AppState& app, const std::string& text, bool error, double seconds) {
  PictureState& p = appPicture();
  p.message = text;
  p.messageIsError = error;
  p.messageUntil = app.now + seconds;
}

void closeReferenceVideo() {
  PictureState& p = appPicture();
  endReadBeforePlayerChange();
  p.load.reset();
  CloseVideo(p.player);
  if (p.texture) glDeleteTextures(1, &p.texture);
  p.texture = 0;
  p.textureWidth = 0;
  p.textureHeight = 0;
  p.uploadedSerial = 0;
}

void tickPicture(AppState& app) {
  finishLoad(app);
  followProjectVideo(app);
  followPictureRead(app);
  followPlayhead(app);
}

}  // namespace vn

