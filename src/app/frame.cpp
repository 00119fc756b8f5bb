#include "app/frame.h"

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/dialogs.h"
#include "app/drop_actions.h"
#include "app/engines.h"
#include "app/job_status.h"
#include "app/kept_raster.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/picture_actions.h"
#include "app/recipe_actions.h"
#include "app/update_actions.h"
#include "app/window_present.h"
#include "app/workspace.h"
#include "core/project_commands.h"

namespace vn {

void prepareFrame(AppState& app, double frameSeconds) {
  runPendingCommands(app);
  handlePendingDrop(app);
  pollJobs(app);
  tickEngines(app);
  tickPicture(app);
  autoSaveTick(app.project, frameSeconds);
  tickUpdateCheck(app);
}

void drawInterface(AppState& app) {
  drawMenuBar(app);
  drawWorkspace(app);
  drawDialogs(app);
}

bool renderFrame(AppState& app, GLFWwindow* window, double frameSeconds) {
  if (app.fontsDirty) {
    app.fontsDirty = false;
    reloadInterfaceFonts(app);
  }
  prepareFrame(app, frameSeconds);
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplGlfw_NewFrame();
  ImGui::NewFrame();
  drawInterface(app);
  ImGui::Render();
  int width = 0, height = 0;
  glfwGetFramebufferSize(window, &width, &height);
  const bool rasterised = drawFrameKept(app.raster, *ImGui::GetDrawData(), width, height, app.textureEpoch);
  if (rasterised) ++app.framesRasterised;
  if (app.inputFrames > 0) --app.inputFrames;
  return rasterised;
}

void runFrame(AppState& app, GLFWwindow* window, double frameSeconds) {
  presentFrame(app.raster, window, renderFrame(app, window, frameSeconds));
  ++app.framesDrawn;
}

bool interfaceActive(AppState& app) {
  return anyJobRunning(app) || isPlaying(app) || recipePreviewPlaying(app) || dragging(app.timelineDrag) || ImGui::IsAnyMouseDown() ||
         statusIsFresh(app.status, app.now) || app.inputFrames > 0 || !app.commands.empty() || app.drop.has_value();
}

}  // namespace vn
