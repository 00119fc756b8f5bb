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
  long frames = 0;      // turns that drew and presented a frame
  long rasterised = 0;  // frames drawn afresh rather than copied from the kept raster
};

// Idle: nothing happens. Redrawn: nothing happens, but every frame is rasterised
// afresh (as before frames were kept). Busy: input keeps the loop at full rate and
// every frame differs from the last.
enum class Load { Idle, Redrawn, Busy };

Span measure(AppState& app, GLFWwindow* window, double seconds, Load load) {
  double lastFrame = glfwGetTime();
  const double cpu0 = processCpuSeconds();
  const double until = glfwGetTime() + seconds;
  const long drawn0 = app.framesDrawn;
  const long rasterised0 = app.framesRasterised;
  Span span;
  while (glfwGetTime() < until) {
    if (load == Load::Busy) app.inputFrames = 2;
    if (load != Load::Idle) app.raster.fingerprint.reset();
    if (!loopOnce(app, window, nullptr, lastFrame)) break;
    ++span.turns;
  }
  span.cpu = processCpuSeconds() - cpu0;
  span.frames = app.framesDrawn - drawn0;
  span.rasterised = app.framesRasterised - rasterised0;
  return span;
}

}  // namespace

int runIdleBenchmark(AppState& app, GLFWwindow* window, double seconds) {
  app.session = tools::MakeDemoSession();
  app.fitPending = true;
  selectOnly(app.selection, 1);
  // Let the first frames, the fresh status text and the fonts settle.
  measure(app, window, kStatusFreshSeconds + 1.0, Load::Idle);
  const Span idle = measure(app, window, seconds, Load::Idle);
  const Span redrawn = measure(app, window, seconds, Load::Redrawn);
  const Span busy = measure(app, window, seconds, Load::Busy);
  for (const auto& [name, span] : {std::pair{"idle window", idle}, std::pair{"idle window rasterising every frame", redrawn},
                                   std::pair{"busy window", busy}}) {
    logLine("[Bench] %s: %.3f s CPU over %.1f s, %d turns, %ld frames, %ld rasterised (%.1f ms CPU per second)\n",
            name, span.cpu, seconds, span.turns, span.frames, span.rasterised, 1000.0 * span.cpu / seconds);
  }
  logLine("[Bench] idle/busy CPU ratio: %.3f\n", busy.cpu > 0 ? idle.cpu / busy.cpu : 0.0);
  logLine("[Bench] idle kept/rasterised CPU ratio: %.3f\n", redrawn.cpu > 0 ? idle.cpu / redrawn.cpu : 0.0);
  return 0;
}

}  // namespace vn
