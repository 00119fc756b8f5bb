#pragma once
struct GLFWwindow;

namespace vn {

struct AppState;

// The work of one frame before drawing: queued commands, a pending drop, paths sent by
// a second launch, background jobs and the automatic backup.
void prepareFrame(AppState& app, double frameSeconds);

// Draws the whole interface into the interface context's draw lists (no graphics calls;
// the caller has started the interface frame).
void drawInterface(AppState& app);

// One frame on the window: prepare, draw and render into the back buffer, not yet shown.
// True when it was rasterised afresh rather than repeated from the kept raster.
bool renderFrame(AppState& app, GLFWwindow* window, double frameSeconds);
// renderFrame, then present it.
void runFrame(AppState& app, GLFWwindow* window, double frameSeconds);

// True while something is moving or waiting to be shown: then the loop draws frames
// without waiting for input.
bool interfaceActive(AppState& app);

}  // namespace vn
