#pragma once
// Whether the render cache still matches the layer list block for block.
#include <atomic>
#include <vector>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

// Every block must name a layer position holding its layer id and a valid
// event; every layer must have a block. On the first failure one "[Cache]"
// line is printed, rebuildDeferred is set and false returned.
bool checkCacheIntegrity(const RenderCache& cache, const std::vector<Layer>& layers, size_t eventCount,
                         std::atomic<bool>& rebuildDeferred);

}  // namespace vn
