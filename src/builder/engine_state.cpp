#include "builder/engine_state.h"

#include "builder/pitch_scale.h"

namespace vn {

LayerSound soundOf(const Layer& l) {
  return {l.name,           l.filepath,      l.fileId,     l.sourceOffset,  l.sourceDuration,
          l.startTime,      l.audioSyncOffset, l.pitchShift, l.pitchVarShift, l.bandShares,
          l.sourcePitchHz,  l.sourcePitchConfidence};
}

void restoreSound(Layer& l, const LayerSound& s) {
  l.name = s.name;
  l.filepath = s.filepath;
  l.fileId = s.fileId;
  l.sourceOffset = s.sourceOffset;
  l.sourceDuration = s.sourceDuration;
  l.startTime = s.startTime;
  l.audioSyncOffset = s.audioSyncOffset;
  l.pitchShift = s.pitchShift;
  l.pitchVarShift = s.pitchVarShift;
  l.bandShares = s.bandShares;
  setSourcePitch(l, s.sourcePitchHz, s.sourcePitchConfidence);
}

void syncLayerIds(BuildEngineState& state, const Session& session) {
  for (const auto& l : session.results) state.lastLayerId = std::max(state.lastLayerId, l.id);
}

}  // namespace vn
