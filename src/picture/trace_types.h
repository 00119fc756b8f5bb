#pragma once
// The records of a picture read: one row of measures per analysed frame, the
// events proposed from them and the run's parameters.
#include <array>
#include <string>

#include "core/curve.h"
#include "core/trained_model.h"

namespace vn {

struct FrameMeasures {
  float time = 0.0f;             // index / analysis rate
  float brightness = 0.0f;       // mean luma 0..1
  float brightnessDelta = 0.0f;  // against the previous frame
  float motion = 0.0f;           // camera-compensated picture change
  float histogramDiff = 0.0f;    // colour histogram change 0..1
  float colorTemp = 0.0f;        // warm +, cool -
  float saturation = 0.0f;
  float cameraMotion = 0.0f;     // size of the global shift 0..1
  float foregroundMass = 0.0f;   // how concentrated the motion is
  float panX = 0.0f;             // centre of motion, left -1 .. right +1
  float panY = 0.0f;             // top -1 .. bottom +1
  float spatialSpread = 0.0f;
  float localMotionPeak = 0.0f;
  float impact = 0.0f;           // derived: sudden change
  float flow = 0.0f;             // derived: smoothed normalised motion
  float composite = 0.0f;        // derived: combined salience
  float adaptiveThr = 0.0f;      // derived: local event threshold
  float accentThr = 0.0f;        // derived: local accent threshold
};

struct TraceParams {
  float sensitivity = 0.0f;
  float minEventGap = 0.0f;        // seconds
  float adaptiveWindowSec = 0.0f;  // seconds
};

// Event types and layers as the analysis numbers them.
constexpr int kTraceSpot = 0;
constexpr int kTraceCluster = 1;
constexpr int kTraceFill = 2;
constexpr int kLayerForeground = 0;
constexpr int kLayerBackground = 1;

constexpr size_t kTraceKeywordsCapacity = 128;
constexpr size_t kTracePresetCapacity = 64;

struct TraceEvent {
  float time = 0.0f;  // seconds from the start of the video
  int type = kTraceSpot;
  float confidence = 0.0f;
  int tier = 0;  // 1: demoted to the background or folded from a regular run
  float suggestedDuration = 1.0f;
  int suggestedShape = 0;  // 0 Spot, 1 Bloom
  float intensity = 1.0f;
  float suggestedGain = 1.0f;
  float suggestedSyncOffset = 0.0f;
  float suggestedWeightCenter = 0.3f;
  float suggestedSpread = 0.3f;
  Curve intensityCurve = flatCurve(0.0f);
  bool hasIntensityCurve = false;
  std::string keywords;    // capacity kTraceKeywordsCapacity
  std::string presetName;  // capacity kTracePresetCapacity
  bool accepted = true;
  int peelLayer = 0;
  float foregroundMass = 0.0f;
  float panX = 0.0f;
  float spatialSpread = 0.0f;
  float cameraMotion = 0.0f;
  float brightness = 0.0f;
  int layer = kLayerForeground;
  int shotIndex = -1;
  float depthSalience = 1.0f;
  float sliceValue = 1.0f;
};

}  // namespace vn
