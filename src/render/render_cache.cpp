#include "render/render_cache.h"

#include <algorithm>
#include <cmath>

namespace vn {

void computePeakSummary(RenderedBlock& block) {
  block.peaks.fill(0.0f);
  const size_t n = std::min(block.left.size(), block.right.size());
  if (n == 0) return;
  // Sample i falls in bin floor(i * 256 / n): bin b holds i from ceil(b * n / 256).
  size_t from = 0;
  for (size_t b = 0; b < kPeakBins; ++b) {
    const size_t to = ((b + 1) * n + kPeakBins - 1) / kPeakBins;
    float peak = 0.0f;
    for (size_t i = from; i < to; ++i) peak = std::max(peak, std::max(std::fabs(block.left[i]), std::fabs(block.right[i])));
    block.peaks[b] = peak;
    from = to;
  }
}

void appendBlock(RenderCache& cache, RenderedBlock block, float fadeIn, float fadeOut) {
  std::lock_guard lock(cache.mutex);
  cache.fadeIns.push_back(fadeIn);
  cache.fadeOuts.push_back(fadeOut);
  cache.blocks.push_back(std::move(block));
  cache.count.store(static_cast<int>(cache.blocks.size()));
}

void replaceEventBlocks(RenderCache& cache, int eventIdx, std::vector<RenderedBlock> blocks,
                        const std::vector<std::pair<float, float>>& fades) {
  std::lock_guard lock(cache.mutex);
  size_t kept = 0;
  for (size_t i = 0; i < cache.blocks.size(); ++i) {
    if (cache.blocks[i].eventIdx == eventIdx) continue;
    if (kept != i) {
      cache.blocks[kept] = std::move(cache.blocks[i]);
      cache.fadeIns[kept] = cache.fadeIns[i];
      cache.fadeOuts[kept] = cache.fadeOuts[i];
    }
    ++kept;
  }
  cache.blocks.resize(kept);
  cache.fadeIns.resize(kept);
  cache.fadeOuts.resize(kept);
  for (size_t i = 0; i < blocks.size(); ++i) {
    cache.blocks.push_back(std::move(blocks[i]));
    cache.fadeIns.push_back(i < fades.size() ? fades[i].first : 0.0f);
    cache.fadeOuts.push_back(i < fades.size() ? fades[i].second : 0.0f);
  }
  cache.count.store(static_cast<int>(cache.blocks.size()));
}

void clearCache(RenderCache& cache) {
  std::lock_guard lock(cache.mutex);
  cache.blocks.clear();
  cache.fadeIns.clear();
  cache.fadeOuts.clear();
  cache.count.store(0);
  cache.generation.fetch_add(1);  // waveforms and playback see the change
}

}  // namespace vn
