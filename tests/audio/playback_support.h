#pragma once
// A small render cache for playback tests: one block of a steady level.
#include "render/render_cache.h"

namespace vn::test {

// One stereo block of `level` from `start` for `duration` seconds at 48 kHz.
void addSteadyBlock(RenderCache& cache, float level, float start, float duration);

}  // namespace vn::test
