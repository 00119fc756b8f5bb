#pragma once
// The project settings that are also preferences: the preference values apply at
// start, an opened project's values replace them, and New project keeps the
// values in force. Both records name them alike.
#include "core/session.h"

namespace vn {

template <class Settings>
void copySharedSettings(const Settings& from, ProjectSettings& to) {
  to.projectSampleRate = from.projectSampleRate;
  to.maxEventDuration = from.maxEventDuration;
  to.scaleType = from.scaleType;
  to.scaleRoot = from.scaleRoot;
  to.pitchShiftProb = from.pitchShiftProb;
  to.freqShiftIntensity = from.freqShiftIntensity;
  to.reverseProb = from.reverseProb;
}

}  // namespace vn
