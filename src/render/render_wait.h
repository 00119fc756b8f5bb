#pragma once
// Rendering every built layer on the pipeline's own worker while the caller waits,
// for the offline paths (a file render, the command-line player) that need the
// whole cache before they go on.
#include <functional>

#include "render/render_pipeline.h"

namespace vn {

// Called about every 50 ms with the layers done and their total; the wait itself ends
// within about 5 ms of the last layer.
using LayerRenderProgress = std::function<void(int done, int total)>;

// Starts the worker, renders every layer, stops the worker. cancelled() is polled
// with the progress; when it says true the job is cancelled and false returned.
bool RenderLayersAndWait(RenderPipeline& pipeline, const LayerRenderProgress& progress,
                         const std::function<bool()>& cancelled);

}  // namespace vn
