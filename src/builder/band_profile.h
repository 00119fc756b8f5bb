#pragma once
// Spectral descriptions shared by the scoring and the layering passes: the band
// profile a layer weight asks for, a record's normalised band shares and its
// noisiness.
#include <array>

#include "library/library.h"

namespace vn {

constexpr int kBands = 5;
using BandArray = std::array<float, kBands>;

// The band profile a layer of weight w (0 dark .. 1 bright) aims for: a bell over
// the five band centres around 0.1 + 0.8w, with a small floor, summing to 1.
BandArray targetBandProfile(float weight);

// Each band divided by the sum of the five; 0.2 each when the sum is 0.01 or less.
BandArray normalisedShares(const BandArray& shares);

// 0 tonal .. 1 noisy, from the record's harmonic, flatness, zero-crossing and
// pitch measures.
float noisiness(const LibraryRecord& record);

inline float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace vn
