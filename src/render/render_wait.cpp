#include "render/render_wait.h"

#include <chrono>
#include <thread>

namespace vn {

bool RenderLayersAndWait(RenderPipeline& pipeline, const LayerRenderProgress& progress,
                         const std::function<bool()>& cancelled) {
  startRenderWorker(pipeline);
  RebuildCacheAsync(pipeline, "Rendering layers", false);
  bool stopped = false;
  // Looked at every 5 ms, so the caller goes on soon after the last layer; reported
  // about every 50 ms.
  auto nextReport = std::chrono::steady_clock::now();
  while (pipeline.busy.load()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextReport) {
      nextReport = now + std::chrono::milliseconds(50);
      if (!stopped && cancelled && cancelled()) {
        pipeline.cancel.store(true);
        stopped = true;
      }
      const int total = pipeline.progressTotal.load();
      if (progress && total > 0) progress(pipeline.progressDone.load(), total);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stopRenderWorker(pipeline);
  return !stopped && !(cancelled && cancelled());
}

}  // namespace vn
