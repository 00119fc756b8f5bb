#pragma once
// Placeholders ("sketches") stand in for a layer when no usable sound exists,
// so that the timeline still plays and shows where sounds are missing.
//
// What the render pipeline synthesises for a layer whose placeholder flag is
// set (placeholderVoice gives the figures):
//   - band-pass filtered white noise (a second-order band-pass, or an FFT mask
//     of the given width) centred on centreHz, the frequency that the layer's
//     weight asks for: 100 Hz at the dark end to 8 kHz at the bright end on a
//     log scale, at the centre of the weight's target band profile;
//   - bandwidthOctaves wide (narrower for hits, so they read as a tone-like tick);
//   - at peakLevel linear (about -18 dBFS), so that a sketch is clearly heard but
//     never mistaken for a finished sound;
//   - shaped by an envelope over the layer's duration: a linear rise over
//     attack seconds; then for a hit an exponential decay with time constant
//     decay seconds; for a sustained voice the level holds and falls linearly
//     over the last release seconds;
//   - mono, played like any other layer afterwards (layerGain, fades, bus, pan).
// A deterministic noise seed (the layer's id) keeps a sketch the same between
// renders.
#include <string>

#include "core/session.h"

namespace vn {

enum class SketchKind { Spot, Alloy, Fill, Scatter, Layer, Wash };

// "[Sketch] Spot", "[Sketch] Alloy", "[Sketch] Fill", "[Sketch] Scatter",
// "[Sketch] Layer" (a Bloom or Contour segment, or a pinned file of one) or
// "[Sketch] Wash" (a scene background or a Bed file).
const char* placeholderName(SketchKind kind);

struct PlaceholderVoice {
  float centreHz = 1000.0f;
  float bandwidthOctaves = 1.0f;
  float peakLevel = 0.125f;
  bool sustained = false;
  float attack = 0.005f;   // seconds
  float decay = 0.2f;      // hit: time constant of the exponential decay
  float release = 0.2f;    // sustained: linear fall at the end
};

PlaceholderVoice placeholderVoice(const Layer& layer);

// The prefix of a layer whose file is missing when audio is loaded, and the text
// of a list entry without a sound.
constexpr const char* kMissingPrefix = "[Missing] ";
constexpr const char* kNoSoundText = "(no sound)";

// After a build: "Some files unreadable - %d placeholder clip%s" when a Library
// is loaded, else "No palette - %d placeholder clip%s"; empty without placeholders.
int placeholderCount(const Session& session);
std::string placeholderStatus(int placeholders, int libraryCount);

}  // namespace vn
