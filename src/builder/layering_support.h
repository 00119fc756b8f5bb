#pragma once
// What the layering passes share: a layer's gain and band energy, its hero flag,
// envelope times and the smoothing of 32-point envelopes.
#include <array>
#include <vector>

#include "builder/band_profile.h"
#include "core/session.h"

namespace vn {

constexpr int kEnvelopePoints = 32;
using Envelope = std::array<float, kEnvelopePoints>;

// layerGain × userVolume.
float passGain(const Layer& layer);
bool isHeroLayer(const Session& session, const Layer& layer);
// The band energy a layer holds: the target profile of its weight.
BandArray layerBandEnergy(const Layer& layer);
// Time of envelope point j of a layer that starts at start.
float envelopePointTime(float start, float duration, int j);
// Moving average over each point and up to `reach` existing neighbours on each side.
Envelope smoothEnvelope(const Envelope& points, int reach);
// A layer the passes work on: not muted, with a finite place on the timeline.
bool takesPart(const Layer& layer);
// Largest start + duration (+ deconOffset when asked) over the layers taking
// part, limited to kPassTimelineLimit so that a stray time cannot make the bin
// tables of the passes enormous.
constexpr float kPassTimelineLimit = 6.0f * 3600.0f;
float timelineEnd(const Session& session, bool withDeconOffset);
// trunc(x) for bin arithmetic, safe for huge values.
int truncBin(float x);

}  // namespace vn
