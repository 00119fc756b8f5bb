#pragma once
// First-order AmbiX (ACN order W Y Z X, SN3D) from a speaker-layout mix: every
// speaker feed is encoded as a plane wave from its own direction. The LFE feed
// carries no direction and is left out.
#include <vector>

#include "render/spatial_layout.h"

namespace vn {

constexpr int kAmbiXChannels = 4;
constexpr float kHeightRingElevationDeg = 45.0f;

// planar: one buffer per channel of layout, all the same length. Returns four.
std::vector<std::vector<float>> encodeAmbiX(const std::vector<std::vector<float>>& planar, SpatialLayout layout);

}  // namespace vn
