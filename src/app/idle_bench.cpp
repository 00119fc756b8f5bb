#include "app/idle_bench.h"

#include <GLFW/glfw3.h>
#include <sys/resource.h>

#include "app/app_state.h"
#include "app/frame_loop.h"
#include "platform/log.h"
#include "tools/demo_session.h"

namespace vn {
namespace {

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Span {
  double cpu = 0.0;
  int turns = 0;
  long frames = 0;  // turns that drew and presented a frame
};

Span measure(AppState& app, GLFWwindow* window, double seconds, bool keepBusy) {
  double lastFrame = glfwGetTime();
  const double cpu0 = processCpuSeconds();
  const double until = glfwGetTime() + seconds;
  const long drawn0 = app.framesDrawn;
  Span span;
  while (glfwGetTime() < until) {
    if (keepBusy) app.inputFrames = 2;
    if (!loopOnce(app, window, nullptr, lastFrame)) break;
    ++span.turns;
  }
  span.cpu = processCpuSeconds() - cpu0;
  span.frames = app.framesDrawn - drawn0;
  return span;
}

}  // namespace

int runIdleBenchmark(AppState& app, GLFWwindow* window, double seconds) {
  app.session = tools::MakeDemoSession();
  app.fitPending = true;
  selectOnly(app.selection, 1);
  // Let the first frames, the fresh status text and the fonts settle.
  measure(app, window, kStatusFreshSeconds + 1.0, false);
  const Span idle = measure(app, window, seconds, false);
  const Span busy = measure(app, window, seconds, true);
  logLine("[Bench] idle window: %.3f s CPU over %.1f s, %d turns, %ld frames (%.1f ms CPU per second)\n", idle.cpu,
          seconds, idle.turns, idle.frames, 1000.0 * idle.cpu / seconds);
  logLine("[Bench] busy window: %.3f s CPU over %.1f s, %d turns, %ld frames (%.1f ms CPU per second)\n", busy.cpu,
          seconds, busy.turns, busy.frames, 1000.0 * busy.cpu / seconds);
  logLine("[Bench] idle/busy CPU ratio: %.3f\n", busy.cpu > 0 ? idle.cpu / busy.cpu : 0.0);
  return 0;
}

}  // namespace vn
