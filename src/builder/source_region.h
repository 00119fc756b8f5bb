#pragma once
// Which part of a sound file a layer plays. A hit (Spot, Scatter) is placed so
// that its sync point sits on the sound's attack; a body (Bloom and Contour
// segments, Fill, Alloy) takes a stretch whose energy suits the layer. Both give
// the minimum fades that keep a cut inside the sound from clicking.
#include <optional>
#include <span>

#include "library/library.h"

namespace vn {

struct SourceRegion {
  float offset = 0.0f;      // start inside the file, seconds
  float duration = 0.0f;    // length taken from the file
  float syncPoint = 0.0f;   // the attack, seconds after offset
  float minFadeIn = 0.0f;   // a fade-in shorter than this could click
  float minFadeOut = 0.0f;
};

// A stretch of a file that a layer of the event already plays, in file seconds.
struct UsedSpan {
  float start = 0.0f;
  float end = 0.0f;
};

// The attack of a sound, from the analysis: the first loud block plus half the
// measured rise time (the ear places a hit early in its rise).
float attackTime(const LibraryRecord& record);

// A hit: starts a short breath before the attack and runs for `after` seconds
// past the sync point (or to the end of the file).
SourceRegion hitRegion(const LibraryRecord& record, float after);

// A body of `length` seconds: around the loudest moment for an impact of 0.5 or
// more, else around the energy centre after the attack; u (0..1) moves it a
// little so that repeats of a file differ; stretches in `used` are avoided when
// the file leaves room. The whole file when it is not longer than length.
SourceRegion bodyRegion(const LibraryRecord& record, float length, float impact,
                        std::span<const UsedSpan> used, float u);

// The start nearest to `wanted` of a stretch of `length` inside a file of
// fileDuration that overlaps none of the used spans; none when there is no room.
std::optional<float> freeRegionStart(float fileDuration, float length, std::span<const UsedSpan> used,
                                     float wanted);

}  // namespace vn
