#include "app/engines.h"

#include <algorithm>

#include "app/app_state.h"
#include "audio/audio_startup.h"
#include "audio/device_control.h"
#include "library/libraries.h"
#include "render/mixer.h"
#include "render/spatial_layout.h"

namespace vn {

void startEngines(AppState& app) {
  app.render.session = &app.session;
  app.render.libraries = &AppLibraries();
  startRenderWorker(app.render);

  const int rate = app.session.settings.projectSampleRate;
  app.playback = CreatePlaybackEngine(app.render.cache, rate);
  AudioSettings settings;
  settings.api = app.prefs.audioApi;
  settings.device = app.prefs.audioDevice;
  settings.bufferFrames = app.prefs.audioBufferFrames;
  StartAudioOutput(app.audio, settings, rate);
  if (app.playback) ConnectPlayback(app.audio, *app.playback);
  if (!app.audio.statusText.empty()) setStatus(app, app.audio.statusText);

  app.project.applySampleRate = [&app](int sampleRate) {
    return app.playback ? SetPlaybackProjectRate(app.audio, app.playback, sampleRate)
                        : SetProjectRate(app.audio, sampleRate);
  };
}

void tickEngines(AppState& app) {
  if (!app.playback) return;
  PlaybackEngine& engine = *app.playback;
  const int64_t now = SteadyNanos();
  const MonitorFormat monitor = monitorFormatFromPrefs(app.prefs.monitorLayout, app.prefs.monitorBinaural);
  SetPlaybackMix(engine, mixSettingsFromSession(app.session, app.prefs.spatialAmount, app.prefs.spatialDiffuse, monitor),
                 now);
  TickPlayback(engine, app.audio, now);
  if (IsPlaying(engine)) app.playhead = std::max(0.0, PlayheadSeconds(engine, app.audio, now));
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
