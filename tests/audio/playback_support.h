#pragma once
// A small render cache for playback tests: one block of a steady level; and what
// the engine hands a stereo device.
#include <vector>

#include "audio/playback_engine.h"
#include "render/render_cache.h"

namespace vn::test {

struct Pulled {
  std::vector<float> left, right;
};

// The next frames the engine gives a stereo device.
Pulled pullFrames(PlaybackEngine& engine, int frames);

// One stereo block of `level` from `start` for `duration` seconds at 48 kHz.
void addSteadyBlock(RenderCache& cache, float level, float start, float duration);

}  // namespace vn::test
