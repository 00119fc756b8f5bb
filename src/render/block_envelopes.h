#pragma once
// The gain shapes a Rendered block carries: the owning Event's curves, laid
// over the block's own span, and the Layer's own envelopes baked into its audio.
#include <vector>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

// Fills the block's weight, intensity and contour tables from the event (its
// weight and intensity curves and, when present, its picture-trace gain). Each
// table covers the block's span and is normalised to the curve's peak over the
// whole event, so the loudest moment plays at the staged level. A flat curve
// leaves its table absent. Fill layers take their weight shape from their own
// fill gain, Alloy layers their intensity from the morph, so those tables stay absent.
void setEventTables(RenderedBlock& block, const Event& event, int procMode);

// Multiplies the layer's intGain, fillGain and deconGain, where present, into
// the buffer (each spread over the buffer's length).
void applyLayerEnvelopes(const Layer& layer, std::vector<float>& left, std::vector<float>& right);

}  // namespace vn
