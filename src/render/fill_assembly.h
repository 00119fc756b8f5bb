#pragma once
// Assembles a Fill layer from its chunk list: each chunk plays a stretch of the
// source at its place in the layer, neighbours crossfade (equal power) across
// their overlap, and a looping layer repeats the list until it ends.
#include <string>

#include "core/session.h"
#include "render/source_audio.h"

namespace vn {

// frames samples at rate, pitch-shifted by `ratio` (a rate change that keeps
// every chunk at its place). False when the source cannot be read.
bool assembleFill(SourceCache& sources, const std::string& path, const Layer& layer, int rate, size_t frames,
                  double ratio, StereoAudio& out);

}  // namespace vn
