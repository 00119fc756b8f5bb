#pragma once
// The audio parts of the window: the transport bar in the toolbar strip (back to
// the start, play and stop, looping over the work area) and the audio section of
// the Settings panel with the output device settings, the output's messages and
// the A/V readout.
namespace vn {

struct AppState;

void drawTransportBar(AppState& app);
void drawAudioPanel(AppState& app);

}  // namespace vn
