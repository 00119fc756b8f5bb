#include "audio/playback_setup.h"

#include "render/mixer.h"
#include "render/spatial_layout.h"

namespace vn {

AudioSettings AudioSettingsFromPreferences(const Preferences& prefs) {
  AudioSettings settings;
  settings.api = prefs.audioApi;
  settings.device = prefs.audioDevice;
  settings.bufferFrames = prefs.audioBufferFrames;
  return settings;
}

void ApplyPlaybackPreferences(PlaybackEngine& engine, const Session& session, const Preferences& prefs,
                              int64_t nowNanos) {
  const MonitorFormat monitor = monitorFormatFromPrefs(prefs.monitorLayout, prefs.monitorBinaural);
  SetPlaybackMix(engine, mixSettingsFromSession(session, prefs.spatialAmount, prefs.spatialDiffuse, monitor),
                 nowNanos);
  engine.videoOffset = session.videoStartTime;
  engine.monitorGain = prefs.monitorGain;
}

}  // namespace vn
