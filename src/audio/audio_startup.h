#pragma once
// Opening the output at start-up from the saved settings, and the names the
// settings use for the back ends.
#include <string>

#include "audio/audio_output.h"

namespace vn {

struct AudioSettings {
  std::string api;           // "JACK", "PulseAudio" or "ALSA"; empty for the first that works
  std::string device;        // the device's name; empty for the default
  int bufferFrames = 256;
  int outputChannelChoice = 1;  // mono, stereo, 5.1, 7.1
};

// The program's api number for a saved back-end name (0 when unknown).
int ApiFromName(const std::string& name);

// Tries the saved back end, then the others. When nothing opens, statusText
// says so and the transport runs on its own clock; false then.
bool StartAudioOutput(AudioOutput& output, const AudioSettings& settings, int projectRate);

// The settings that reproduce what is open now.
AudioSettings CurrentAudioSettings(const AudioOutput& output);

}  // namespace vn
