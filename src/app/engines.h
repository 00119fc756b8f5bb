#pragma once
// The process-wide engines the shell owns besides the Session: the render pipeline
// with its worker and cache, and the audio output with the playback engine that pulls
// the mix from that cache. Started after the preferences, stopped in order at exit.
namespace vn {

struct AppState;

// Starts the render worker, creates the playback engine and opens the audio output
// with the saved back end, device and buffer size.
void startEngines(AppState& app);
// Per frame: the playback clock and the playhead, the mix settings, new cache
// generations.
void tickEngines(AppState& app);
// At exit: the audio stream first, then the render worker.
void stopAudio(AppState& app);
void stopRenderer(AppState& app);

bool isPlaying(const AppState& app);
// Moves the playhead, and playback with it.
void movePlayhead(AppState& app, double seconds);

}  // namespace vn
