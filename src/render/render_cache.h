#pragma once
// The render cache: every built Layer rendered into a stereo buffer (a Rendered
// block) with what the mixer needs to play it. One cache per process; the render
// worker fills it, the audio callback and export read it under its mutex.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "render/placement.h"

namespace vn {

constexpr int kPeakBins = 256;
constexpr float kNotMeasuredLufs = -1000.0f;  // anything below -900 means "not measured"

struct RenderedBlock {
  std::vector<float> left, right;  // project sample rate
  float start = 0.0f;              // timeline seconds (the Layer's start plus its deconOffset)
  float duration = 0.0f;           // seconds
  float baseGain = 1.0f;
  float mixGain = 1.0f;            // staged by finaliseCache
  float eventGain = 1.0f;          // the owning Event's gain
  float normGain = 1.0f;           // bus balancing
  // Envelope tables from the owning Event, each normalised to its own peak;
  // an absent table counts as 1.
  std::optional<std::array<float, 256>> weightTable;
  std::optional<std::array<float, 128>> intensityTable;
  std::optional<std::array<float, 32>> contourTable;
  float reverbSend = -1.0f;        // negative: the bus default
  Placement placement;
  uint32_t placementSeed = 0;      // the Layer's random seed, for placing the block again
  bool stereoSource = false;       // pan as a stereo pair (the Layer is not mono)
  std::optional<std::array<float, 5>> spectralProfile;
  int bus = 0;
  int track = 0;
  int eventIdx = 0;
  int layerIdx = 0;                // index of its Layer in the layer list
  uint32_t layerId = 0;
  bool muted = false;
  std::array<float, kPeakBins> peaks{};  // largest |sample| per 1/256 of the buffer
  float loudness = kNotMeasuredLufs;     // integrated LUFS of the buffers, cached
  float samplePeak = 0.0f;
};

struct RenderCache {
  std::vector<RenderedBlock> blocks;
  std::vector<float> fadeIns;   // parallel to blocks: the Layer's fadeIn
  std::vector<float> fadeOuts;  // parallel to blocks: the Layer's fadeOut
  mutable std::mutex mutex;     // guards the three vectors
  int sampleRate = 48000;       // rate of every block's buffers
  std::atomic<int> count{0};
  std::atomic<uint64_t> generation{0};
  std::atomic<bool> ready{false};
};

// Timeline end of a block in seconds.
inline float blockEnd(const RenderedBlock& b) { return b.start + b.duration; }
// Fills the 256-bin peak summary from the block's buffers.
void computePeakSummary(RenderedBlock& block);
// Appends a block with its fades under the cache mutex.
void appendBlock(RenderCache& cache, RenderedBlock block, float fadeIn, float fadeOut);
// Removes every block of the event and appends the replacements, under the mutex.
void replaceEventBlocks(RenderCache& cache, int eventIdx, std::vector<RenderedBlock> blocks,
                        const std::vector<std::pair<float, float>>& fades);
// Empties the cache under the mutex, as a new generation.
void clearCache(RenderCache& cache);

}  // namespace vn
