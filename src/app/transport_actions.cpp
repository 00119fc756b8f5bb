#include "app/transport_actions.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/engines.h"
#include "audio/playback_engine.h"

namespace vn {
namespace {

// Each new message of the output reaches the status line once.
void relayAudioStatus(AppState& app) {
  std::string& told = app.transport.toldAudioStatus;
  if (app.audio.statusText == told) return;
  told = app.audio.statusText;
  if (!told.empty()) setStatus(app, told);
}

}  // namespace

bool workAreaSet(const Session& s) { return s.workAreaIn >= 0.0f && s.workAreaOut > s.workAreaIn; }

double sessionLength(const Session& s) {
  double end = std::max(1.0f, s.settings.totalDuration);
  for (const Event& e : s.events) end = std::max(end, double(e.time) + e.duration);
  return end;
}

bool playbackAvailable(const AppState& app) { return app.playback != nullptr; }

void togglePlayCommand(AppState& app) {
  if (!app.playback) return;
  // Playing starts where the playhead shows, not where the last buffer ended.
  if (!IsPlaying(*app.playback)) SeekPlayback(*app.playback, app.playhead);
  TogglePlayback(*app.playback);
}

void returnToStartCommand(AppState& app) { movePlayhead(app, 0.0); }

void toggleLoopCommand(AppState& app) {
  app.transport.loopWorkArea = !app.transport.loopWorkArea;
  if (app.transport.loopWorkArea && !workAreaSet(app.session))
    setStatus(app, "Set a work area (Composition > Set In Point, Set Out Point) to loop over it");
}

void followTransport(AppState& app) {
  relayAudioStatus(app);
  if (!app.playback) return;
  PlaybackEngine& engine = *app.playback;
  const Session& s = app.session;
  const bool looping = app.transport.loopWorkArea && workAreaSet(s);
  SetPlaybackLoop(engine, looping, s.workAreaIn, s.workAreaOut);
  // Playing stops at the end of the session, unless it goes round the work area.
  SetPlaybackEnd(engine, looping ? -1.0 : sessionLength(s));
  if (IsPlaying(engine)) keepInView(app.timeline, app.playhead);
}

}  // namespace vn
