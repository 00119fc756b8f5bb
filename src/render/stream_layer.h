#pragma once
// Streaming one Layer: its source decoded at the project rate (or its Fill
// chunks assembled, or its Alloy blend made, or its sketch synthesised),
// tuned, carved and shaped into a Rendered block for the render cache.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/session.h"
#include "library/library.h"
#include "render/render_cache.h"
#include "render/source_audio.h"

namespace vn {

struct StreamInputs {
  SourceCache* sources = nullptr;
  int sampleRate = 48000;
  const std::vector<Event>* events = nullptr;
  const std::vector<float>* eventGains = nullptr;  // one per event
  const ProjectSettings* settings = nullptr;        // scale, root and the Alloy parameters
  std::span<const Library* const> libraries;        // band shares of sources the build did not give
  bool keepPitch = false;  // no scale snap, and a failed read leaves no source-missing mark
};

// How much faster than its source a layer shifted by this many semitones plays.
double pitchRatioOf(float semitones);

// FNV-1a 32 over the path's bytes and the four little-endian bytes of
// round(sourceOffset x 1000); never 0.
uint32_t layerSeed(const std::string& path, float sourceOffset);
// 1, less up to 30 % for weights above 0.7, times layerGain and userVolume.
float layerBaseGain(const Layer& layer);
// The path to read: the library's current path for the layer's file id, else
// the stored path. `unresolved` tells that the id is no longer known.
std::string resolveSourcePath(const std::string& fileId, const std::string& storedPath, bool& unresolved);

// Renders the Layer at position layerIdx. The Layer may change: its pitch after
// a scale snap, its source-missing and unresolved marks. nullopt when the Layer
// makes no block (no file and no sketch).
std::optional<RenderedBlock> renderLayer(Layer& layer, int layerIdx, const StreamInputs& in);

}  // namespace vn
