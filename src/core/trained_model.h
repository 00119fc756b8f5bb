#pragma once
// The picture-analysis tuning model kept in the preferences. The preferences own
// the record (they read and write it); the event detection reads some of its
// values, and the others are carried back to the file unchanged.
#include <array>

namespace vn {

struct TrainedModel {
  bool valid = false;  // switches the model on
  int totalSpots = 0;
  std::array<float, 5> w{};  // composite weights: impact, flow, brightness change, histogram change, motion
  float defaultCompositeMean = 0.0f;
  float thresholdScale = 0.0f;
  float subtleScale = 0.0f;
  float spotCutoff = 0.0f;
  float gainA = 0.0f;
  float gainB = 0.0f;
  float weightBias = 0.0f;
  float spotDurScale = 1.0f;
  float sweepDurScale = 1.0f;
  float minGap = 0.0f;
  int posCount = 0;
  std::array<float, 5> posMean{};
  int negCount = 0;
  std::array<float, 5> negMean{};
};

}  // namespace vn
