#pragma once
// What the build engine keeps between builds for the life of the program. The
// caller owns one of these (the application beside its Session) and passes it
// to every build and re-roll; builds and re-rolls of one Session must not run
// at the same time (both change its layers).
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "builder/band_profile.h"
#include "builder/keyword_prescore.h"
#include "builder/reference_set.h"
#include "core/session.h"

namespace vn {

// A layer's sound as "Previous sound" brings it back.
struct LayerSound {
  std::string name;
  std::string filepath;
  std::string fileId;
  float sourceOffset = 0.0f;
  float sourceDuration = 0.0f;
  float startTime = 0.0f;
  float audioSyncOffset = 0.0f;
  float pitchShift = 0.0f;
  float pitchVarShift = 0.0f;
  BandArray bandShares{};
  float sourcePitchHz = 0.0f;
  float sourcePitchConfidence = 0.0f;
};

LayerSound soundOf(const Layer& layer);
void restoreSound(Layer& layer, const LayerSound& sound);

struct BuildEngineState {
  KeywordScoreCache keywordCache;
  uint32_t rerollCounter = 0;
  // Earlier sounds of each layer (by layer id), the latest last.
  std::unordered_map<uint32_t, std::vector<LayerSound>> history;
  ReferenceSet reference;
  uint32_t lastLayerId = 0;
};

// Raises lastLayerId to the largest id in the Session, so that ++lastLayerId
// gives an id not used in it nor handed out before.
void syncLayerIds(BuildEngineState& state, const Session& session);

}  // namespace vn
