#pragma once
// Reading an event's curves at a fraction of its duration, and the small
// derived figures the layer plans use.
#include <utility>

#include "core/session.h"

namespace vn {

// Linear interpolation between points k and k + 1, k = clamp(trunc(255t), 0, 254).
float sampleCurve(const Curve& curve, float t);
// clamp(weight curve + weightOffset, 0, 1).
float weightValueAt(const Event& event, float t);
// The plain intensity curve sample (without intensityScale).
float intensitySampleAt(const Event& event, float t);
// Largest intensity point (at least 0) times intensityScale.
float intensityPeak(const Event& event);
// Smallest and largest weight value over the 256 points.
std::pair<float, float> weightRange(const Event& event);
// Mean weight value over the 256 points.
float meanWeightValue(const Event& event);
// Layer count of an intensity: 5 at 1.0 or more, 4 from 0.75, 3 from 0.5, 2 from 0.25, else 1.
int intensityStep(float v);

// A copy of the event that the plans can trust: finite times, durations of 0
// up to kLongestBuiltEvent, curves of finite values in 0..1, parameters in range.
constexpr float kLongestBuiltEvent = 24.0f * 3600.0f;
Event sanitisedEvent(const Event& event);

}  // namespace vn
