#pragma once
// The typical rise time of a sound's onsets: the median 10 %-to-90 % rise of every
// attack found on the short envelope.
#include <vector>

namespace vn {

// envelope: RMS of every 256 samples. Returns seconds; 0 when there is no onset.
double AttackTime(const std::vector<float>& envelope, double sampleRate);

}  // namespace vn
