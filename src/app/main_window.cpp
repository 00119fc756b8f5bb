#include "app/main_window.h"

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/drop_classify.h"
#include "app/fonts.h"
#include "app/shortcuts.h"
#include "app/theme.h"

namespace vn {
namespace {

constexpr int kSettleFrames = 3;

AppState& stateOf(GLFWwindow* window) { return *static_cast<AppState*>(glfwGetWindowUserPointer(window)); }

void onKey(GLFWwindow* window, int key, int, int action, int mods) {
  AppState& app = stateOf(window);
  app.inputFrames = kSettleFrames;
  if (action != GLFW_PRESS) return;
  const bool textEditing = ImGui::GetCurrentContext() && ImGui::GetIO().WantTextInput;
  if (auto command = commandForKey(key, mods, textEditing)) app.commands.post(*command);
}

void onInput(GLFWwindow* window) { stateOf(window).inputFrames = kSettleFrames; }
void onCursor(GLFWwindow* window, double, double) { onInput(window); }
void onButton(GLFWwindow* window, int, int, int) { onInput(window); }
void onScroll(GLFWwindow* window, double, double) { onInput(window); }
void onChar(GLFWwindow* window, unsigned int) { onInput(window); }
// Uncovered, resized, focused or entered: a few frames at the full rate, so the picture
// settles at once rather than at the idle pace.
void onRefresh(GLFWwindow* window) { onInput(window); }
void onResize(GLFWwindow* window, int, int) { onInput(window); }
void onFocus(GLFWwindow* window, int) { onInput(window); }
void onEnter(GLFWwindow* window, int) { onInput(window); }

void onDrop(GLFWwindow* window, int count, const char** paths) {
  AppState& app = stateOf(window);
  double x = 0, y = 0;
  glfwGetCursorPos(window, &x, &y);
  std::vector<std::string> list(paths, paths + std::max(count, 0));
  // Interface coordinates are window coordinates here: the scale lives in the fonts and sizes.
  app.drop = classifyDrop(static_cast<float>(x), static_cast<float>(y), list);
  app.inputFrames = kSettleFrames;
}

void onClose(GLFWwindow* window) { stateOf(window).quit = true; }

}  // namespace

GLFWwindow* createMainWindow(AppState& app, std::string& error) {
  glfwDefaultWindowHints();
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
  // The window follows the monitor's content scale, as a DPI-aware window does.
  glfwWindowHint(GLFW_SCALE_TO_MONITOR, GLFW_TRUE);
  glfwWindowHintString(GLFW_X11_CLASS_NAME, "Varnel");
  glfwWindowHintString(GLFW_X11_INSTANCE_NAME, "varnel");
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);

  int width = 1600, height = 1000;
  if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetMonitorWorkarea(monitor, &x, &y, &w, &h);
    float sx = 1.0f, sy = 1.0f;
    glfwGetMonitorContentScale(monitor, &sx, &sy);
    if (w > 0 && h > 0) {
      width = std::min(w, static_cast<int>(1600 / std::max(sx, 1.0f)));
      height = std::min(h, static_cast<int>(1000 / std::max(sy, 1.0f)));
    }
  }
  GLFWwindow* window = glfwCreateWindow(width, height, "Varnel", nullptr, nullptr);
  if (!window) {
    const char* reason = nullptr;
    glfwGetError(&reason);
    error = reason ? reason : "the window could not be created";
    return nullptr;
  }
  glfwSetWindowUserPointer(window, &app);
  glfwMakeContextCurrent(window);
  glfwSwapInterval(1);
  // Installed before the interface back end, which calls them before its own handling.
  glfwSetKeyCallback(window, onKey);
  glfwSetCursorPosCallback(window, onCursor);
  glfwSetMouseButtonCallback(window, onButton);
  glfwSetScrollCallback(window, onScroll);
  glfwSetCharCallback(window, onChar);
  glfwSetDropCallback(window, onDrop);
  glfwSetWindowRefreshCallback(window, onRefresh);
  glfwSetFramebufferSizeCallback(window, onResize);
  glfwSetWindowFocusCallback(window, onFocus);
  glfwSetCursorEnterCallback(window, onEnter);
  glfwSetWindowCloseCallback(window, onClose);
  glfwShowWindow(window);
  return window;
}

float startInterface(GLFWwindow* window) {
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // the layout is fixed; nothing to remember
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  ImGui_ImplGlfw_InitForOpenGL(window, true);
  ImGui_ImplOpenGL3_Init("#version 330 core");
  float sx = 1.0f, sy = 1.0f;
  glfwGetWindowContentScale(window, &sx, &sy);
  const float uiScale = std::clamp(sx, 1.0f, 4.0f);
  loadInterfaceFonts(uiScale, 1);
  applyDarkTheme(uiScale);
  return uiScale;
}

int effectiveFontPreset(const AppState& app) { return app.prefs.fontSizeAuto ? 1 : app.prefs.fontSizePreset; }

void reloadInterfaceFonts(AppState& app) {
  loadInterfaceFonts(app.uiScale, effectiveFontPreset(app));
  ImGui_ImplOpenGL3_DestroyFontsTexture();
  ImGui_ImplOpenGL3_CreateFontsTexture();
  ++app.textureEpoch;  // the new font texture may reuse the old one's name
}

void stopInterface() {
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplGlfw_Shutdown();
  ImGui::DestroyContext();
}

void destroyMainWindow(GLFWwindow* window) {
  if (window) glfwDestroyWindow(window);
}

}  // namespace vn
