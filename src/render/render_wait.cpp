#include "render/render_wait.h"

#include <chrono>
#include <thread>

namespace vn {

bool RenderLayersAndWait(RenderPipeline& pipeline, const LayerRenderProgress& progress,
                         const std::function<bool()>& cancelled) {
  startRenderWorker(pipeline);
  RebuildCacheAsync(pipeline, "Rendering layers", false);
  bool stopped = false;
  while (pipeline.busy.load()) {
    if (!stopped && cancelled && cancelled()) {
      pipeline.cancel.store(true);
      stopped = true;
    }
    const int total = pipeline.progressTotal.load();
    if (progress && total > 0) progress(pipeline.progressDone.load(), total);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  stopRenderWorker(pipeline);
  return !stopped && !(cancelled && cancelled());
}

}  // namespace vn
