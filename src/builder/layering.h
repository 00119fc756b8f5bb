#pragma once
// Passes over the whole layer list that keep simultaneous sounds apart. They
// change only offsets and gain envelopes of the layers, never which layers
// exist or where they sit. The render pipeline runs them after every build in
// this order: protectSilence (when the preference is on), duckDensity,
// staggerAndDeconflict, carveSpectrum (when destructive EQ is allowed).
#include "core/session.h"

namespace vn {

// Turns every layer down a little (at most 4 dB) where more than four layers
// sound at once; hero layers are left alone. Sets the runtime densityGain.
void duckDensity(Session& session);

// Staggers layers of one event that start together by a few milliseconds, then
// ducks (at most 9 dB, into deconGain) layers masked in a band by a stronger one.
void staggerAndDeconflict(Session& session);

// Five-band EQ cuts (at most 6 dB, into eqGains) where overlapping layers crowd
// a band that this layer also holds.
void carveSpectrum(Session& session);

// Keeps the gaps of the timeline silent: where no event is active for at least
// kSilenceMinGap seconds, the layers that ring on into the gap fade out over its
// first kSilenceFade seconds, and a layer that begins early in a gap stays
// silent until kSilencePreRoll before the event it leads into. Works through
// the layers' intGain only, and running it twice gives the same result.
constexpr float kSilenceMinGap = 0.25f;
constexpr float kSilenceFade = 0.08f;
constexpr float kSilencePreRoll = 0.12f;
void protectSilence(Session& session);

// Every pass in its order; the two preferences switch the optional ones.
void runLayeringPasses(Session& session, bool protectSilencePref, bool destructiveEQ);

}  // namespace vn
