#pragma once
// Rendering every built layer into the render cache on the pipeline's worker,
// with a progress bar and Ctrl-C, for the commands that mix or play a session.
#include "render/render_pipeline.h"

namespace vn::cli {

// Starts the worker, renders, stops the worker. False when interrupted.
bool renderLayersWithProgress(RenderPipeline& pipeline, bool showProgress);

}  // namespace vn::cli
