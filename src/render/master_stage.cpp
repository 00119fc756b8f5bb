#include "render/master_stage.h"

#include <algorithm>
#include <cmath>

namespace vn {

void initialiseMasterStage(MasterStage& stage, int sampleRate) {
  const double rate = std::max(1, sampleRate);
  stage.attack = static_cast<float>(1.0 - std::exp(-1.0 / (rate * 0.0006)));
  stage.release = static_cast<float>(1.0 - std::exp(-1.0 / (rate * 0.12)));
  stage.envelope = 0.0f;
  for (auto& d : stage.delay) d.fill(0.0f);
  stage.delayPos = 0;
}

float softClip(float y) {
  const float a = std::fabs(y);
  if (a <= 0.84f) return y;
  return std::copysign(0.84f + 0.051f * std::tanh((a - 0.84f) * 10.0f), y);
}

void processMasterStage(MasterStage& stage, float* interleaved, int frames, int channels, float threshold) {
  // Devices may offer more channels than any layout fills; those stay silent.
  const int stride = channels;
  channels = std::clamp(channels, 0, kMaxLayoutChannels);
  for (int f = 0; f < frames; ++f) {
    float* frame = interleaved + static_cast<long>(f) * stride;
    float level = 0.0f;
    for (int c = 0; c < channels; ++c) {
      const float x = std::isfinite(frame[c]) ? frame[c] * 0.70710677f : 0.0f;
      frame[c] = x;
      level = std::max(level, std::fabs(x));
    }
    stage.envelope += (level > stage.envelope ? stage.attack : stage.release) * (level - stage.envelope);
    if (stage.envelope < 1e-15f) stage.envelope = 0.0f;
    const float gain = stage.envelope > threshold ? threshold / stage.envelope : 1.0f;
    for (int c = 0; c < channels; ++c) {
      const float delayed = stage.delay[c][stage.delayPos];
      stage.delay[c][stage.delayPos] = frame[c];
      frame[c] = softClip(delayed * gain);
    }
    stage.delayPos = (stage.delayPos + 1) % kLimiterLookAhead;
  }
}

void initialiseGate(MixGate& gate, int sampleRate, float startValue) {
  gate.step = 1.0f / std::max(1.0f, 0.006f * static_cast<float>(sampleRate));
  gate.value = startValue;
}

void applyGate(MixGate& gate, float target, float* interleaved, int frames, int channels) {
  for (int f = 0; f < frames; ++f) {
    if (gate.value < target) gate.value = std::min(target, gate.value + gate.step);
    else if (gate.value > target) gate.value = std::max(target, gate.value - gate.step);
    if (gate.value == 1.0f) continue;
    float* frame = interleaved + static_cast<long>(f) * channels;
    for (int c = 0; c < channels; ++c) frame[c] *= gate.value;
  }
}

}  // namespace vn
