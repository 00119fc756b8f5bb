#include "app/shell.h"

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/engines.h"
#include "app/fonts.h"
#include "app/frame_loop.h"
#include "app/idle_bench.h"
#include "app/instance_link.h"
#include "app/kept_raster.h"
#include "app/main_window.h"
#include "app/picture_actions.h"
#include "app/project_actions.h"
#include "app/selftest.h"
#include "app/update_actions.h"
#include "core/preset_folders.h"
#include "core/preferences.h"
#include "library/libraries.h"
#include "platform/log.h"

namespace vn {
namespace {

struct Options {
  std::optional<std::string> project;
  std::optional<std::string> selftestImage;
  double benchIdleSeconds = 0.0;  // --bench-idle: measure the idle frame loop instead of running
};

bool readOptions(const std::vector<std::string>& args, Options& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--selftest") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "usage: varnel [PROJECT.vnproj] [--selftest OUT.png] [--bench-idle [SECONDS]]\n");
        return false;
      }
      options.selftestImage = args[++i];
    } else if (args[i] == "--bench-idle") {
      options.benchIdleSeconds = 5.0;
      if (i + 1 < args.size() && std::atof(args[i + 1].c_str()) > 0) options.benchIdleSeconds = std::atof(args[++i].c_str());
    }
  }
  options.project = projectArgument(args);
  return true;
}

void glfwError(int code, const char* text) { logErrLine("[UI] GLFW error %d: %s\n", code, text ? text : ""); }

}  // namespace

int runVarnel(const std::vector<std::string>& args) {
  Options options;
  if (!readOptions(args, options)) return 2;

  // A second launch with a project hands it to the running instance and ends.
  const std::string socketPath = instanceSocketPath();
  const bool interactive = !options.selftestImage && options.benchIdleSeconds <= 0;
  if (options.project && interactive) {
    const std::string path = absoluteProjectPath(*options.project);
    if (forwardToRunningInstance(socketPath, path)) return 0;
    options.project = path;
  }

  glfwSetErrorCallback(glfwError);
  if (!glfwInit()) {
    std::fprintf(stderr, "Varnel needs a graphical display (none could be opened).\n");
    return 1;
  }
  auto app = std::make_unique<AppState>();
  std::string error;
  GLFWwindow* window = createMainWindow(*app, error);
  if (!window) {
    std::fprintf(stderr, "Varnel could not open its window: %s\n", error.c_str());
    glfwTerminate();
    return 1;
  }
  app->uiScale = startInterface(window);
  logLine("[UI] uiScale=%.2f, autoFontPreset=Medium\n", app->uiScale);

  LoadPreferences(app->prefs);
  if (effectiveFontPreset(*app) != 1) reloadInterfaceFonts(*app);
  applyProjectDefaults(app->prefs, app->session.settings);
  attachProjectContext(*app);
  startEngines(*app);
  LoadLibrariesAtStartup();
  migrateLegacyPresetFolders();
  if (options.project) openProjectCommand(*app, *options.project);

  int exitCode = 0;
  if (options.selftestImage) {
    exitCode = runSelfTest(*app, window, *options.selftestImage);
  } else if (options.benchIdleSeconds > 0) {
    exitCode = runIdleBenchmark(*app, window, options.benchIdleSeconds);
  } else {
    InstanceListener listener;
    const bool listening = listener.start(socketPath, [] { glfwPostEmptyEvent(); });
    runFrameLoop(*app, window, listening ? &listener : nullptr);
    listener.stop();
    closeProject(app->project);
  }

  // Shut-down: the update check, the preferences once more, the audio stream, the
  // reference video, the render worker, then the interface and the window.
  finishUpdateCheck(*app);
  SavePreferences(app->prefs);
  stopAudio(*app);
  closeReferenceVideo(*app);
  stopRenderer(*app);
  releaseKeptRaster(app->raster);
  stopInterface();
  destroyMainWindow(window);
  glfwTerminate();
  return exitCode;
}

}  // namespace vn
