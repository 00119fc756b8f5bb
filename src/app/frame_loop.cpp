#include "app/frame_loop.h"

#include <GLFW/glfw3.h>

#include "app/app_state.h"
#include "app/frame.h"
#include "app/instance_link.h"
#include "core/preferences.h"

namespace vn {
namespace {

constexpr double kIdleWait = 0.050;
constexpr double kActiveFrame = 1.0 / 60.0;

}  // namespace

void savePreferencesIfChanged(AppState& app) {
  if (app.preferencesChanged.exchange(false)) SavePreferences(app.prefs);
}

void takeForwardedProjects(AppState& app, GLFWwindow* window, InstanceListener* listener) {
  if (!listener) return;
  const std::vector<std::string> paths = listener->takeReceived();
  if (paths.empty()) return;
  for (const std::string& path : paths) app.commands.post({CommandId::OpenPath, path, -1});
  glfwShowWindow(window);
  glfwFocusWindow(window);
}

bool loopOnce(AppState& app, GLFWwindow* window, InstanceListener* listener, double& lastFrame) {
  if (interfaceActive(app)) {
    const double wait = kActiveFrame - (glfwGetTime() - lastFrame);
    if (wait > 0.0) glfwWaitEventsTimeout(wait);
    else glfwPollEvents();
  } else {
    glfwWaitEventsTimeout(kIdleWait);
  }
  if (app.quit || glfwWindowShouldClose(window)) return false;
  savePreferencesIfChanged(app);
  takeForwardedProjects(app, window, listener);
  const double now = glfwGetTime();
  app.now = now;
  const double frameSeconds = now - lastFrame;
  lastFrame = now;
  runFrame(app, window, frameSeconds);
  return true;
}

void runFrameLoop(AppState& app, GLFWwindow* window, InstanceListener* listener) {
  double lastFrame = glfwGetTime();
  while (loopOnce(app, window, listener, lastFrame)) {
  }
}

}  // namespace vn
