#include "app/engines.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/transport_actions.h"
#include "audio/device_control.h"
#include "audio/playback_setup.h"
#include "library/libraries.h"

namespace vn {

void startEngines(AppState& app) {
  app.render.session = &app.session;
  app.render.libraries = &AppLibraries();
  startRenderWorker(app.render);

  const int rate = app.session.settings.projectSampleRate;
  app.playback = CreatePlaybackEngine(app.render.cache, rate);
  StartAudioOutput(app.audio, AudioSettingsFromPreferences(app.prefs), rate);
  if (app.playback) ConnectPlayback(app.audio, *app.playback);
  followTransport(app);  // the output's first message is shown before a project opens

  app.project.applySampleRate = [&app](int sampleRate) {
    return app.playback ? SetPlaybackProjectRate(app.audio, app.playback, sampleRate)
                        : SetProjectRate(app.audio, sampleRate);
  };
}

void tickEngines(AppState& app) {
  if (app.playback) {
    PlaybackEngine& engine = *app.playback;
    const int64_t now = SteadyNanos();
    ApplyPlaybackPreferences(engine, app.session, app.prefs, now);
    TickPlayback(engine, app.audio, now);
    if (IsPlaying(engine)) app.playhead = std::max(0.0, PlayheadSeconds(engine, app.audio, now));
  }
  followTransport(app);
}

void stopAudio(AppState& app) {
  if (app.playback) StopPlayback(*app.playback);
  CloseAudioOutput(app.audio);
}

void stopRenderer(AppState& app) { stopRenderWorker(app.render); }

bool isPlaying(const AppState& app) { return app.playback && IsPlaying(*app.playback); }

void movePlayhead(AppState& app, double seconds) {
  app.playhead = std::max(0.0, seconds);
  if (app.playback) SeekPlayback(*app.playback, app.playhead);
}

}  // namespace vn
