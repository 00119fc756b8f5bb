#pragma once
// Scale snap at render time: the fundamental is measured on the decoded audio
// of the layer (not taken from the library), then the layer is tuned to the
// project's scale by the build engine's tuning rule.
#include <optional>
#include <vector>

#include "core/session.h"

namespace vn {

struct MeasuredPitch {
  float hz = 0.0f;
  float confidence = 0.0f;
};

// Up to three analysis windows of at most 32 768 samples; a window counts when
// its estimate lies strictly inside 20..10 000 Hz with a confidence above 0.25.
// Three give the median, two the more confident, one itself; none: nullopt.
std::optional<MeasuredPitch> measureFundamental(const std::vector<float>& left, const std::vector<float>& right,
                                                int sampleRate);

// Measures and tunes the layer (pitchShift, tuneShift and its source pitch).
// Returns false when the layer keeps its pitch: no usable measurement, or
// fewer than 129 samples.
bool snapLayerToScale(Layer& layer, const Event& event, const std::vector<float>& left,
                      const std::vector<float>& right, int sampleRate, int scaleType, int scaleRoot);

}  // namespace vn
