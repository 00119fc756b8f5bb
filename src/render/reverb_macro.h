#pragma once
// The reverb's single macro control: one position 0..1 sweeps all six
// parameters through five named rooms.
#include <array>

#include "core/session.h"

namespace vn {

struct ReverbPreset {
  const char* name;
  float position;
  float size, decay, damping, preDelay, diffusion, modulation;
};

const std::array<ReverbPreset, 5>& reverbPresets();

// Sets the six parameters for macro position q (clamped to 0..1); enabled and
// the bus sends are left alone.
void applyReverbMacro(ReverbSettings& settings, float q);

// A drag of `pixels` on a control `width` pixels wide moves q by pixels / (2 width).
float dragReverbMacro(float q, float pixels, float width);

// The send law: the block's own send when it has one, else its bus default
// (bus clamped to 0..15), halved; below 1e-6 nothing is sent.
float reverbSendLevel(float blockSend, int bus, const std::array<float, kMaxBusses>& busSend);

}  // namespace vn
