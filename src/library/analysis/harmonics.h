#pragma once
// How much of the long-term spectrum lies on the first eight harmonics of the
// fundamental, and how far those harmonics sit from exact multiples.
#include <vector>

#include "library/library.h"

namespace vn {

// longTerm: L[k] for k = 0..1023. acceptedPitchHz: the accepted pitch, or 0 when
// none was accepted (the strongest bin from 50 Hz up then stands in for it).
// Sets harmonicRatio and inharmonicity.
void MeasureHarmonics(const std::vector<double>& longTerm, double binHz, double acceptedPitchHz, LibraryRecord& record);

}  // namespace vn
