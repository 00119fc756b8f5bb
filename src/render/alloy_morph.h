#pragma once
// The Alloy morph: one sound forged from four. The primary source keeps its
// low bands, its transient and (in part) its loudness contour; the mid and high
// partners lend their spectra to the upper bands; the envelope partner bends
// the contour. The blend is a short-time Fourier cross-synthesis:
//   - the spectrum is cut into `filterBands` bands spaced evenly in log
//     frequency; the lower third belongs to the primary, the middle third leans
//     on the mid partner and the upper third on the high partner, with smooth
//     hand-overs between them;
//   - in a partner's bands the partner's frame replaces the primary's by the
//     morph amount; the partner's band level is first pulled toward the
//     primary's by `transferDepth` (the primary's spectral envelope carried
//     over), so the blend keeps the primary's tonal balance as far as asked;
//   - the algorithm chooses how the two frames meet: 0 splice (complex
//     crossfade), 1 vocode (the partner's fine structure under the primary's
//     full band envelope), 2 blend (geometric magnitude interpolation, phase of
//     the stronger), 3 graft (the primary's magnitudes, the partner's phases);
//   - the layer's weight envelope steers the partners over time: heavier
//     moments lean on the mid partner, lighter ones on the high partner;
//   - partners are detuned by +-`microPitch` semitones so the blend thickens
//     instead of phasing;
//   - the output's short-time level follows a blend of the primary's and the
//     envelope partner's levels (half the morph amount toward the partner);
//   - the first `attackGraft` seconds are the primary's own attack, handed to
//     the morph over 10 ms, so the hit keeps its bite;
//   - the layer's intensity envelope shapes the result.
#include <array>

#include "render/source_audio.h"

namespace vn {

struct AlloyParams {
  float morph = 1.0f;           // 0 = the primary alone, 1 = the full blend
  int algorithm = 2;            // 0 splice, 1 vocode, 2 blend, 3 graft
  float transferDepth = 0.2f;   // 0..1
  float attackGraft = 0.03f;    // seconds, 0..0.2
  float microPitch = 0.03f;     // semitones, 0..0.15
  int filterBands = 10;         // 4..24
  std::array<float, 32> weightEnv{};     // all 0: none
  std::array<float, 32> intensityEnv{};  // all 0: none
};

// All four inputs at `rate`; partners shorter than the primary repeat. The
// result has the primary's length.
StereoAudio alloyMorph(const StereoAudio& primary, const StereoAudio& mid, const StereoAudio& high,
                       const StereoAudio& envelope, int rate, const AlloyParams& params);

// Partners are detuned before the blend: +micro for the mid, -micro for the high partner.
double alloyPartnerRatio(float microPitch, bool mid);

}  // namespace vn
