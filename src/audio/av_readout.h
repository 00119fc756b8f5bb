#pragma once
// The one-line A/V readout: rates, buffer, latency, back end, how far the
// sources run ahead of the device, and how far the picture sits from the sound.
#include <optional>
#include <string>

#include "audio/audio_output.h"

namespace vn {

// Output latency of the open stream in milliseconds.
double OutputLatencyMs(const AudioOutput& output);

// pictureToSoundMs: the picture's time minus the sound's time, when a video is
// loaded. "bal" is the time the sources have been pulled ahead of what the
// device has played, in milliseconds (the resampler's look-ahead).
std::string AvReadout(const AudioOutput& output, std::optional<double> pictureToSoundMs);

}  // namespace vn
