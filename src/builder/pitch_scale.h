#pragma once
// Pitch of a layer: the random variation drawn when its sound is picked, and the
// tuning to the project's musical scale applied when it is rendered.
#include <cstdint>
#include <span>

#include "core/session.h"

namespace vn {

constexpr int kScaleCount = 17;
constexpr int kRootCount = 12;

// Menu texts of the scale table ("Off", "Major", ...) and the root table ("C" .. "B").
const char* scaleName(int scaleType);
const char* rootName(int scaleRoot);

// Pitch classes above the root; empty for "Off" and for values outside 1..16.
std::span<const int> scaleDegrees(int scaleType);

// Draws a shift of up to ±24 × pitchVariation semitones from the generator and
// applies it, keeping the sound's sync point on the timeline. Nothing happens
// below 0.001.
void applyPitchVariation(Layer& layer, float pitchVariation, uint32_t& lcgState);

// Fills the layer's source pitch from a measured frequency and confidence; a
// pitch outside 20..10000 Hz or a confidence of 0.25 or less means "none".
void setSourcePitch(Layer& layer, float pitchHz, float confidence);
bool hasSourcePitch(const Layer& layer);

// Moves a tonal layer by the fewest semitones (-6..6) that land it on the scale
// and sets pitchShift = tuneShift + pitchVarShift. scaleTuneOverride 2 ("Force
// Off") and scale "Off" leave tuneShift at 0; 1 is treated as "Follow Project".
void tuneLayer(Layer& layer, int scaleType, int scaleRoot, const Event& event);

// Playback rate of a shift in semitones.
float pitchRatio(float semitones);

}  // namespace vn
