#pragma once
// Gain staging of the render cache: the layers of one event share their power,
// and the whole mix is held under a ceiling so that it cannot overload.
#include <array>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

// With resetGains every mix gain starts from its base gain. Then each event's
// unmuted blocks are scaled to at most unit summed power, the loudest instant
// (scanned every 0.02 s over the 256-bin peaks) is held at 0.7 / max(0.1,
// masterGain), the generation moves on and the ready flag is set.
void finaliseCache(RenderCache& cache, bool resetGains, const std::array<float, kMaxBusses>& busGains,
                   float masterGain);

}  // namespace vn
