#pragma once
// Conversion of a rendered stereo pair into a Layer channel format (mono,
// stereo, 5.1, 7.1): folded down to mono, passed through as stereo, or upmixed
// by the spatial placement's speaker-ring gains.
#include <vector>

#include "render/placement.h"

namespace vn {

// The single channel a pair folds to; a mono pair (equal sides) keeps its level.
inline float monoOfPair(float left, float right) { return 0.5f * (left + right); }

// Per-channel buffers of `frames` samples in the format's channel order
// (L R C LFE Ls Rs Lrs Rrs). Wider formats place the pair as the spatial stage
// would with the given pan amount; 7.1 is the ear-level ring of 7.1.4.
std::vector<std::vector<float>> convertPairToFormat(const float* left, const float* right, size_t frames, int fmt,
                                                    const Placement& placement, bool stereoSource, float amount);

}  // namespace vn
