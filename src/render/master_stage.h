#pragma once
// The last stage of the monitor mix: a -3 dB trim, a look-ahead peak limiter
// linked over all channels, a soft clip; and the click-free start/stop gate.
#include <array>

#include "render/spatial_layout.h"

namespace vn {

constexpr int kLimiterLookAhead = 48;

struct MasterStage {
  float attack = 0.0f, release = 0.0f;
  float envelope = 0.0f;
  std::array<std::array<float, kLimiterLookAhead>, kMaxLayoutChannels> delay{};
  int delayPos = 0;
};

void initialiseMasterStage(MasterStage& stage, int sampleRate);
// Trim, limit and soft-clip interleaved frames in place.
void processMasterStage(MasterStage& stage, float* interleaved, int frames, int channels, float threshold);
float softClip(float y);

// The gate moves linearly toward target by 1 / max(1, 0.006 x rate) per frame.
struct MixGate {
  float value = 0.0f;
  float step = 1.0f;
};
void initialiseGate(MixGate& gate, int sampleRate, float startValue);
void applyGate(MixGate& gate, float target, float* interleaved, int frames, int channels);

}  // namespace vn
