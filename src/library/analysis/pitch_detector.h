#pragma once
// Fundamental frequency of one block by the difference function with cumulative
// mean normalisation: robust on tonal hits, and it says "no pitch" on noise.
#include <cstddef>

#include "library/analysis/working_set.h"
#include "library/library.h"

namespace vn {

struct PitchEstimate {
  double hz = 0.0;          // 0 = no pitch
  double confidence = 0.0;  // 0..1
};

// samples: at most kAnalysisBlock of them (one analysis block).
PitchEstimate DetectPitch(AnalysisWorkingSet& set, const float* samples, size_t count, double sampleRate);

// pitchConfidence always; pitchHz, midiNote and pitchCents when the estimate is
// credible (20..10000 Hz, confidence above 0.3). Returns whether it was accepted.
bool ApplyPitch(const PitchEstimate& estimate, LibraryRecord& record);

}  // namespace vn
