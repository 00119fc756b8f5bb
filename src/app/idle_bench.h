#pragma once
// How much the window costs when nothing happens: the process's CPU time over a span
// of the normal frame loop with the demo session on screen, against the same span with
// the loop kept busy (as while a job runs). Prints both and their ratio.
struct GLFWwindow;

namespace vn {

struct AppState;

int runIdleBenchmark(AppState& app, GLFWwindow* window, double seconds);

}  // namespace vn
