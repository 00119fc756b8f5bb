#pragma once
// Fill layers are assembled from chunks of their source. Units of a FillChunk
// are milliseconds: chunk k plays the file from x to x + l at s .. s + l after
// the layer's start. Consecutive chunks overlap by (s + l of the earlier) - s of
// the later, and the render crossfades across that overlap (equal power). When
// fillLoop is set and the layer outlasts the list, the list repeats, shifted by
// its own span (the last chunk's s + l minus one crossfade).
#include <array>
#include <cstdint>
#include <vector>

#include "core/session.h"

namespace vn {

constexpr int kFillCrossfadeMs = 40;
constexpr size_t kMaxFillChunks = 4096;

enum class ChunkOrder {
  EndToEnd,  // the whole file again and again (a Bed loop)
  Shuffle,   // stretches from varying places of the file, so that repeats are not heard
};

struct FillLayout {
  std::vector<FillChunk> chunks;
  bool loops = false;  // the file is shorter than the layer: the chunks repeat it
};

// regionOffset: where a single chunk starts when the file is long enough.
FillLayout fillChunkLayout(float fileDuration, float regionOffset, float layerDuration, ChunkOrder order,
                           uint32_t& rng);

// The gain over the layer (128 points) of a Fill layer of weight w among
// layers spaced `spacing` apart: loudest where the event's weight curve passes
// its weight, so that the spectral layers take turns as the weight moves.
std::array<float, 128> fillGainFor(const Event& event, float weight, float spacing);

}  // namespace vn
