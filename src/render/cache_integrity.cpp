#include "render/cache_integrity.h"

#include "platform/log.h"

namespace vn {

bool checkCacheIntegrity(const RenderCache& cache, const std::vector<Layer>& layers, size_t eventCount,
                         std::atomic<bool>& rebuildDeferred) {
  std::vector<bool> covered(layers.size(), false);
  {
    std::lock_guard lock(cache.mutex);
    for (size_t i = 0; i < cache.blocks.size(); ++i) {
      const RenderedBlock& b = cache.blocks[i];
      const bool ok = b.layerIdx >= 0 && b.layerIdx < static_cast<int>(layers.size()) &&
                      layers[b.layerIdx].id == b.layerId && b.eventIdx >= 0 &&
                      b.eventIdx < static_cast<int>(eventCount);
      if (!ok) {
        logLine("[Cache] Integrity check failed at block %d, deferring rebuild\n", static_cast<int>(i));
        rebuildDeferred.store(true);
        return false;
      }
      covered[b.layerIdx] = true;
    }
  }
  // A layer without a file and without a sketch never makes a block, so it is
  // no orphan; counting it would defer rebuilds for ever.
  int orphans = 0;
  for (size_t i = 0; i < layers.size(); ++i) {
    const Layer& l = layers[i];
    const bool makesBlock = !l.filepath.empty() || !l.fileId.empty() || l.placeholder || l.sourceMissing;
    orphans += makesBlock && !covered[i];
  }
  if (orphans > 0) {
    logLine("[Cache] %d orphaned results, deferring rebuild\n", orphans);
    rebuildDeferred.store(true);
    return false;
  }
  return true;
}

}  // namespace vn
