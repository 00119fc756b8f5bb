#pragma once
// One layer as a delivered clip: rendered the way the render cache renders it,
// with handles of its source on either side and the delivery's default fades at
// the file's ends.
#include <optional>
#include <vector>

#include "core/session.h"
#include "render/stream_layer.h"

namespace vn {

struct ClipHandles {
  float seconds = 1.0f;     // each side
  bool fullSource = false;  // the whole source instead
};

// The layer lengthened by its handles: earlier on the timeline and in its source by
// the head, longer by head and tail, neither reaching outside the source (of
// sourceSeconds; <= 0 when unknown: the tail is then not limited). Only plain
// layers take handles; Fill, exact-length and Alloy layers and reversed clips are
// returned as they are.
Layer layerWithHandles(const Layer& layer, const std::vector<Event>& events, const ClipHandles& handles,
                       double sourceSeconds);

// Seconds of a sound file; 0 when it cannot be opened.
double soundFileSeconds(const std::string& path);

struct ClipAudio {
  std::vector<std::vector<float>> channels;  // one (mono layer) or two
  double startSeconds = 0.0;                 // timeline seconds of the first sample
  Layer rendered;                            // the layer as rendered, handles included
};

// nullopt when the layer makes no audio (no file and no sketch). The layer's own
// gain is applied; fadeIn and fadeOut (seconds) shape the file's ends.
std::optional<ClipAudio> renderClip(const Layer& layer, int layerIdx, const StreamInputs& inputs,
                                    const ClipHandles& handles, float fadeIn, float fadeOut);

}  // namespace vn
