#pragma once
// How much the window costs when nothing happens: the process's CPU time over a span
// of the normal frame loop with the demo session on screen, against the same span with
// every frame rasterised afresh (as if nothing were kept) and with the loop kept busy
// (as while a job runs). Prints the three and the ratios.
struct GLFWwindow;

namespace vn {

struct AppState;

int runIdleBenchmark(AppState& app, GLFWwindow* window, double seconds);

}  // namespace vn
