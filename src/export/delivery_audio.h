#pragma once
// Audio of the delivery: a layer's Rendered block as it ships on a track of a
// given format, and a fold comp as the sum of its members, each converted to
// the comp's format on its own so a comp is exactly what its members would be.
// Callers hold the render cache's mutex.
#include <vector>

#include "export/delivery_fit.h"

namespace vn {

struct RenderCache;
using ChannelBuffers = std::vector<std::vector<float>>;

// Block index of every layer (by position in layers), -1 where the cache holds
// no block for that layer (matched by index and id) or its block has no audio.
std::vector<int> blocksByLayer(const RenderCache& cache, const std::vector<Layer>& layers);

// The block at its mix level (mix gain, bus balancing, event gain) shaped by its
// envelopes and fades as the mix shapes it, in fmt's channels.
ChannelBuffers blockInFormat(const RenderCache& cache, int block, int fmt, float spatialAmount);

// The members mixed from start over duration seconds at the cache's rate.
// Members without a block are skipped.
ChannelBuffers mixMembers(const RenderCache& cache, const std::vector<int>& blockOfLayer,
                          const std::vector<int>& members, float start, float duration, int fmt,
                          float spatialAmount);

// What one fitted item delivers: the comp's audio, or the layer's block in the item's format.
ChannelBuffers deliveredItemAudio(const DeliveryResult& result, const FittedItem& item, const RenderCache& cache,
                                  const std::vector<int>& blockOfLayer, float spatialAmount);

}  // namespace vn
