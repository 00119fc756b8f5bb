#pragma once
// The audible stand-in for a sketch layer: band-passed noise shaped as a hit
// or a sustained wash, so the timeline plays where no sound was found.
#include <vector>

#include "core/session.h"

namespace vn {

// frames samples of the layer's sketch voice (mono) at sampleRate.
std::vector<float> synthesisePlaceholder(const Layer& layer, int sampleRate, size_t frames);

}  // namespace vn
