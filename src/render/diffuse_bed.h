#pragma once
// The diffuse bed of the multichannel mix: a stereo diffuse signal spread over
// every speaker, each through its own chain of all-pass filters so that the
// speakers decorrelate and the bed surrounds the listener instead of imaging.
#include <array>

#include "render/spatial_layout.h"

namespace vn {

constexpr int kDiffuseStages = 4;
constexpr int kDiffuseDelayLength = 4096;  // enough for the longest stage at 192 kHz

struct AllPassStage {
  std::array<float, kDiffuseDelayLength> buffer{};
  int length = 1;
  int pos = 0;
  float k = 0.5f;
};

struct DiffuseBed {
  SpatialLayout layout = SpatialLayout::Stereo;
  std::array<std::array<AllPassStage, kDiffuseStages>, kMaxLayoutChannels> chains{};
};

void initialiseDiffuseBed(DiffuseBed& bed, SpatialLayout layout, int sampleRate);
void clearDiffuseBed(DiffuseBed& bed);
// Adds the bed made from the stereo diffuse signal to `out` (interleaved in the
// layout's channel order) with gain sqrt(1/n) x amount, n the speakers without LFE.
void addDiffuseBed(DiffuseBed& bed, const float* diffuseLeft, const float* diffuseRight, int frames,
                   float amount, float* out);

}  // namespace vn
