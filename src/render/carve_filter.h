#pragma once
// The five-band carving filter: splits a signal at 150, 750, 2000 and 6000 Hz
// (the analysis bands of the library) with Linkwitz-Riley crossovers and sums
// the bands back with a gain each. With every gain at 1 the sum is an all-pass,
// so carving changes only the bands it turns down.
#include <array>
#include <vector>

namespace vn {

constexpr std::array<float, 4> kCarveCrossoversHz{150.0f, 750.0f, 2000.0f, 6000.0f};

void applyCarveFilter(std::vector<float>& samples, int sampleRate, const std::array<float, 5>& bandGains);

}  // namespace vn
