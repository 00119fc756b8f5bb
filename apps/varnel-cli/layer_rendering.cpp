#include "layer_rendering.h"

#include <optional>

#include "platform/log.h"
#include "progress.h"
#include "render/render_wait.h"

namespace vn::cli {

bool renderLayersWithProgress(RenderPipeline& pipeline, bool showProgress) {
  std::optional<ProgressBar> bar;
  if (showProgress) bar.emplace("Rendering layers");
  const bool done = RenderLayersAndWait(
      pipeline,
      [&](int finished, int total) {
        if (bar) bar->update(static_cast<double>(finished) / total, format("%d/%d layers", finished, total));
      },
      [] { return interrupted(); });
  if (bar) bar->finish(format("%d blocks", pipeline.cache.count.load()));
  return done;
}

}  // namespace vn::cli
