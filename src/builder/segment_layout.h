#pragma once
// The time segments of a Bloom or Contour event: layers come and go with the
// intensity curve. Each threshold level of the curve opens runs where the
// intensity is above it; runs become segments while the slices they cover have
// room (the intensity there allows more layers); segments are widened a little,
// the lowest ones stretched to cover the whole event, and segments across which
// the weight moves get a twin that follows the weight's extreme.
#include <optional>
#include <vector>

#include "core/session.h"

namespace vn {

constexpr int kMaxSegments = 32;
constexpr int kSegmentSlices = 128;
constexpr float kShortestSegment = 0.08f;  // seconds

struct Segment {
  float t1 = 0.0f;  // fractions of the event's duration
  float t2 = 0.0f;
  float level = 0.0f;
  float mid = 0.0f;
  std::optional<float> target;  // weight position of a twin
};

// extra: layers to add; peak: P. The event is expected sanitised.
std::vector<Segment> segmentLayout(const Event& event, int extra, float peak);

// Where along the segment its layer reads the event's weight: a twin's target;
// else, when several segments cover this one's middle, spread over its length
// in list order; else its middle.
float segmentWeightPosition(const std::vector<Segment>& segments, size_t index);

}  // namespace vn
