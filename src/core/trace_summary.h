#pragma once
// The picture analysis kept with a project: one row of stored measures per
// analysed frame and the events the analysis suggested. The picture subsystem
// gives the columns and fields their meaning.
#include <array>
#include <string>
#include <vector>

#include "core/curve.h"

namespace vn {

constexpr int kStoredFrameColumns = 11;
using StoredFrameRow = std::array<float, kStoredFrameColumns>;

struct SuggestedEvent {
  float time = 0.0f;
  int type = 0;
  float confidence = 0.0f;
  int tier = 0;
  float suggestedDuration = 0.0f;
  int suggestedShape = 0;
  float intensity = 0.0f;
  float suggestedGain = 1.0f;
  float suggestedSyncOffset = 0.0f;
  float suggestedWeightCenter = 0.3f;
  float suggestedSpread = 0.3f;
  bool hasIntensityCurve = false;
  Curve intensityCurve = flatCurve(0.5f);
  std::string keywords;
  std::string presetName;
  bool accepted = true;
  int peelLayer = 0;
};

struct TraceSummary {
  float duration = 0.0f;
  float fps = 0.0f;
  int numFrames = 0;
  float maxCompositeEnergy = 0.0f;
  float opticalDetail = 0.35f;
  bool traceKeepAbove = true;
  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
  std::vector<StoredFrameRow> frames;
  std::vector<SuggestedEvent> events;
};

}  // namespace vn
