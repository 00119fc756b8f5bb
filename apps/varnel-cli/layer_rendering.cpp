#include "layer_rendering.h"

#include <chrono>
#include <optional>
#include <thread>

#include "platform/log.h"
#include "progress.h"

namespace vn::cli {

bool renderLayersWithProgress(RenderPipeline& pipeline, bool showProgress) {
  startRenderWorker(pipeline);
  RebuildCacheAsync(pipeline, "Rendering layers", false);
  {
    std::optional<ProgressBar> bar;
    if (showProgress) bar.emplace("Rendering layers");
    while (pipeline.busy.load()) {
      if (interrupted()) pipeline.cancel.store(true);
      const int total = pipeline.progressTotal.load();
      if (bar && total > 0) {
        const int done = pipeline.progressDone.load();
        bar->update(static_cast<double>(done) / total, format("%d/%d layers", done, total));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (bar) bar->finish(format("%d blocks", pipeline.cache.count.load()));
  }
  stopRenderWorker(pipeline);
  return !interrupted();
}

}  // namespace vn::cli
