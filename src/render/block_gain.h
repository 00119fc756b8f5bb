#pragma once
// The gain a Rendered block plays at, frame by frame: its staged level, its
// envelopes (weight, intensity, contour) and its fades. The live mix, the offline
// mix and the delivered tracks all shape a block through here.
#include <cstdint>

#include "render/fades.h"
#include "render/render_cache.h"

namespace vn {

// out[f] for the block's frames firstSample .. firstSample + frames - 1.
void blockGains(const RenderedBlock& b, const FadeLengths& fades, float level, int64_t firstSample, int frames,
                float rate, float* out);

}  // namespace vn
