#include "app/waveforms.h"

#include <mutex>

namespace vn {

bool refreshWaveforms(WaveformIndex& index, const RenderCache& cache) {
  const uint64_t generation = cache.generation.load(std::memory_order_acquire);
  if (index.filled && generation == index.generation) return false;
  std::unique_lock<std::mutex> lock(cache.mutex, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  index.byLayerId.clear();
  for (const RenderedBlock& block : cache.blocks) index.byLayerId[block.layerId] = block.peaks;
  index.generation = generation;
  index.filled = true;
  return true;
}

const BlockWaveform* findWaveform(const WaveformIndex& index, uint32_t layerId) {
  auto it = index.byLayerId.find(layerId);
  return it == index.byLayerId.end() ? nullptr : &it->second;
}

}  // namespace vn
