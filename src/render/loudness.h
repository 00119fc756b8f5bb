#pragma once
// Integrated loudness (BS.1770 K-weighting with R128 gating) and the gains built
// on it: the mixdown loudness match and the peak normalisation of takes.
#include <optional>
#include <span>

namespace vn {

constexpr float kSilentLufs = -100.0f;

// One biquad section in direct form, double precision.
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};
// The two K-weighting stages designed for this rate by the bilinear transform.
Biquad kWeightingShelf(double sampleRate);
Biquad kWeightingHighPass(double sampleRate);

// Integrated loudness of a stereo (or, with right null, mono) signal; -100 when
// there is nothing to measure.
float integratedLoudness(const float* left, const float* right, long frames, int sampleRate);

// Same for any number of planar channels with their BS.1770 channel weights
// (a weight of 0 leaves the channel out).
float integratedLoudness(std::span<const float* const> channels, std::span<const float> weights, long frames,
                         int sampleRate);
// The BS.1770 weight of a speaker role: 0 for LFE, 1.41 for the side surrounds, else 1.
float loudnessWeightOfRole(int role);

// Linear gain that brings the signal to targetLufs (change limited to +-30 dB);
// prints the normalise line. 1 when there is nothing to measure.
float normaliseGain(const float* left, const float* right, long frames, int sampleRate, float targetLufs);
float normaliseGainForLoudness(float measuredLufs, float targetLufs);

// Mixdown targets by the preference exportWavLUFSIndex: 0 "Off", 1 -14, 2 -16, 3 -18, 4 -23.
struct LoudnessTarget {
  const char* label;
  float lufs;  // unused for "Off"
};
const LoudnessTarget& mixdownLoudnessTarget(int index);
// The index (1..4) of the target of `lufs` (-14, -16, -18 or -23); nullopt for any other value.
std::optional<int> mixdownLoudnessIndex(long long lufs);
// Multiplies the channels by the gain that meets the target of `index` (1..4);
// index 0 leaves them alone. Returns the gain applied.
float matchMixdownLoudness(std::span<float* const> channels, std::span<const float> weights, long frames,
                           int sampleRate, int index);

// Peak normalisation of one exported take: to varNormalizeDb dBFS when on,
// otherwise only turned down to a -1 dBFS peak. Non-finite samples become 0.
// Returns the gain applied.
float normaliseTake(float* left, float* right, long frames, bool varNormalize, int varNormalizeDb);

}  // namespace vn
