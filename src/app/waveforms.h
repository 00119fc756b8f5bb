#pragma once
// The timeline's copy of the render cache's peak summaries. It is refreshed when the
// cache publishes a new generation, taking the cache lock only with try_lock so that
// the interface never holds up the audio callback.
#include <array>
#include <cstdint>
#include <unordered_map>

#include "render/render_cache.h"

namespace vn {

constexpr int kWaveformBins = kPeakBins;

// Largest |sample| per 1/256 of the rendered block.
using BlockWaveform = std::array<float, kWaveformBins>;

struct WaveformIndex {
  std::unordered_map<uint32_t, BlockWaveform> byLayerId;
  uint64_t generation = 0;
  bool filled = false;
};

// Copies the peaks when the cache moved to a new generation; false when the cache was
// busy (the next frame tries again) or nothing changed.
bool refreshWaveforms(WaveformIndex& index, const RenderCache& cache);

// The waveform of the layer with this id (ids are unique within a Session, and a layer
// keeps its id when its event moves).
const BlockWaveform* findWaveform(const WaveformIndex& index, uint32_t layerId);

}  // namespace vn
