#pragma once
// The transport as the window gives it: play and stop (the space bar), back to the
// start (Home), and looping over the work area. The playback engine runs the clock;
// each frame the window keeps it in step with the Session, lets the timeline follow
// the playhead, and passes the output's messages to the status line.
#include "core/session.h"

namespace vn {

struct AppState;

bool workAreaSet(const Session& session);
// The end of the last event, or the session's length when that is later.
double sessionLength(const Session& session);

bool playbackAvailable(const AppState& app);
// Plays from the playhead, or stops.
void togglePlayCommand(AppState& app);
void returnToStartCommand(AppState& app);
void toggleLoopCommand(AppState& app);

// Once per frame, after the engine's tick.
void followTransport(AppState& app);

}  // namespace vn
