#pragma once
struct GLFWwindow;

namespace vn {

struct AppState;
class InstanceListener;

// Runs frames until the user quits. Idle, it waits up to 50 ms for input before each
// frame, so an idle window redraws at least every 50 ms and at once on input; active,
// it draws at the presentation rate (paced to 60 frames a second where presentation
// does not wait for the display).
void runFrameLoop(AppState& app, GLFWwindow* window, InstanceListener* listener);

// One turn of the loop: wait as the activity allows, handle input, draw and present a
// frame. False once the user has quit. lastFrame holds the time of the previous turn.
bool loopOnce(AppState& app, GLFWwindow* window, InstanceListener* listener, double& lastFrame);

// Writes the preferences when any thread has flagged a change since the last frame.
void savePreferencesIfChanged(AppState& app);

// Paths sent by a second launch become Open commands, and the window comes to the front.
void takeForwardedProjects(AppState& app, GLFWwindow* window, InstanceListener* listener);

}  // namespace vn
