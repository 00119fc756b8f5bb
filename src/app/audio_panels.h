#pragma once
// The audio parts of the window: the transport bar in the toolbar strip (play
// and stop, also on the space bar, and looping over the work area) and the
// Audio tab with the output device settings, the output's messages and the
// A/V readout.
namespace vn {

struct AppState;

void drawTransportBar(AppState& app);
void drawAudioPanel(AppState& app);

}  // namespace vn
