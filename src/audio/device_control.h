#pragma once
// What the user changes while the output runs: back end, device, project rate,
// buffer size and output channels. Each keeps the previous device playing
// when the new choice fails, and says why in statusText.
#include "audio/audio_output.h"

namespace vn {

bool SwitchAudioApi(AudioOutput& output, int api);
bool SelectOutputDevice(AudioOutput& output, int index);
bool SetProjectRate(AudioOutput& output, int rate);
// Not for the low-latency back end, whose server fixes the size; the setting is kept for the other.
bool SetBufferSize(AudioOutput& output, int frames);
// One of the four output channel choices (mono, stereo, 5.1, 7.1).
bool SetOutputChannels(AudioOutput& output, int choice);
// Re-creates the low-latency back end (a server started or restarted) and
// reopens the device it had, found by name.
bool RescanAsio(AudioOutput& output);

}  // namespace vn
