#pragma once
// Keeping the output alive: failures are reported once, a crashed low-latency
// driver is given up for the rest of the session, and a lost device is
// replaced by the default one.
#include <string>

#include "audio/audio_output.h"

namespace vn {

// Closes the stream state and tells the user; on the low-latency back end the
// driver is switched off until the program restarts.
void ReportAudioFailure(AudioOutput& output, unsigned long code, const std::string& message);
// Brings the output back on the shared back end, at most three times.
void RecoverAudio(AudioOutput& output);
// Once per interface frame: notices a crashed callback, a driver reset request
// and a device that stopped, and reacts.
void CheckAudioHealth(AudioOutput& output);

}  // namespace vn
