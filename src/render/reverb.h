#pragma once
// The mix's algorithmic reverb: pre-delay, input tone filter, an eight-channel
// spread, three diffuser stages and a modulated eight-line feedback delay network
// with Householder feedback, two-stage damping and a bass-ratio shelf. The same
// processor runs live in the mixer and offline for the reverb stem.
#include <array>
#include <cstdint>
#include <memory>

#include "core/session.h"

namespace vn {

constexpr int kReverbLines = 8;
constexpr int kReverbPreDelayRing = 19200;
constexpr int kReverbDiffuserStages = 3;
constexpr int kReverbDiffuserLength = 8192;
constexpr int kReverbLineLength = 16384;

// A smoothed coefficient: moves from current toward target.
struct Smoothed {
  float target = 0.0f;
  float current = 0.0f;
  void set(float v) { target = current = v; }
};

// One rotating phasor per feedback line, kept as parallel arrays so that the
// eight rotate together.
struct PhasorBank {
  std::array<float, 8> s{}, c{};    // sine and cosine of each phase
  std::array<float, 8> rs{}, rc{};  // sine and cosine of each per-sample step
};

struct DcBlocker {
  float prevIn = 0.0f, prevOut = 0.0f;
};

struct ReverbState {
  int sampleRate = 48000;
  // Pre-delay.
  std::array<float, kReverbPreDelayRing> preLeft{}, preRight{};
  int preWrite = 0;
  Smoothed preDelay;
  int preDelayInt = 0;
  float preDelayFrac = 0.0f;
  // Input tone filter.
  float toneLeft = 0.0f, toneRight = 0.0f;
  // Diffuser.
  std::array<std::array<std::array<float, kReverbDiffuserLength>, kReverbLines>, kReverbDiffuserStages> diffuser{};
  std::array<uint32_t, kReverbDiffuserStages> diffuserWrite{};
  std::array<std::array<Smoothed, kReverbLines>, kReverbDiffuserStages> diffuserDelay{};
  std::array<std::array<int, kReverbLines>, kReverbDiffuserStages> diffuserInt{};
  std::array<std::array<float, kReverbLines>, kReverbDiffuserStages> diffuserFrac{};
  std::array<std::array<float, kReverbLines>, kReverbDiffuserStages> diffuserSign{};
  bool diffuserSettled = false;
  // Feedback network. The slot after each ring repeats position 0, so that
  // the two samples an interpolated read takes always sit side by side.
  std::array<std::array<float, kReverbLineLength + 1>, kReverbLines> lines{};
  uint32_t lineWrite = 0;
  std::array<Smoothed, kReverbLines> lineDelay{};
  std::array<float, kReverbLines> damp1{}, damp2{}, bassLow{};
  PhasorBank lfoA, lfoB;
  // Coefficients.
  Smoothed outputGain, dampCoef, feedback, diffusionMix, inputCoef, bassRatio, modDepth;
  float c5 = 0.0f, c50 = 0.0f, c32 = 0.0f, c300 = 0.0f;
  // Output DC blockers.
  std::array<DcBlocker, 2> dcStereo{};
  std::array<DcBlocker, kReverbLines> dcChannel{};
};

// Allocates a zeroed processor (about 1.4 MB); null when memory is short.
std::unique_ptr<ReverbState> allocateReverb();
void initialiseReverb(ReverbState& state, int sampleRate);
// Recomputes every target from the six user parameters. Cheap; may run every buffer.
void setReverbParameters(ReverbState& state, const ReverbSettings& settings);
// Zeroes delay lines and filter states (after a seek).
void clearReverb(ReverbState& state);
// Processes a block. The stereo return is always written; channelOut (up to
// eight channel buffers) only when given, for the multichannel spatial mix.
// Work is done 32 frames at a time, in step with the delay glides: the
// feedback lines are never shorter than 32 frames and the diffuser and the
// pre-delay only feed forward, so a block gives exactly what frame-by-frame
// processing gives. Where the processor has AVX2, a build for it is chosen
// when the program loads.
void processReverb(ReverbState& state, const float* sendLeft, const float* sendRight, float* returnLeft,
                   float* returnRight, float* const* channelOut, int frames, int channelCount);

// The formulas behind the targets, exposed for the interface and for checks.
float reverbDecaySeconds(float decay);
float reverbRoomMs(float size, int sampleRate);
float reverbFeedbackGain(float roomMs, float decaySeconds);
float reverbOutputGain(float size, float decay);
float reverbPreDelaySamples(float preDelaySeconds, int sampleRate);

}  // namespace vn
