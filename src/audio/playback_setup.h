#pragma once
// Playback as the preferences set it up, for the window and for varnel-cli play
// alike: the output's saved back end, device and buffer size, and the engine's mix,
// monitor format, level and video offset for a session.
#include <cstdint>

#include "audio/audio_startup.h"
#include "audio/playback_engine.h"
#include "core/preferences.h"
#include "core/session.h"

namespace vn {

AudioSettings AudioSettingsFromPreferences(const Preferences& prefs);

// The engine follows the session's mix and video start and the listener's monitor
// format and level; cheap enough to call once per interface frame.
void ApplyPlaybackPreferences(PlaybackEngine& engine, const Session& session, const Preferences& prefs,
                              int64_t nowNanos);

}  // namespace vn
