#pragma once
// The choices made when a stream opens: its rate, its channel count and its
// buffer size.
#include "audio/audio_driver.h"

namespace vn {

// projectRate when the device supports it, else the device's preferred rate,
// else its first supported rate, else projectRate.
int ChooseStreamRate(int projectRate, const AudioDeviceInfo& device);

// At least 2; when the device has fewer outputs than that, min(device, 2).
int ChooseStreamChannels(int requestedChannels, int deviceChannels);

// The nearest of 32, 64, ..., 2048; an equal distance goes to the smaller size.
int SnapBufferFrames(int frames);

// The output channel setting's four choices: mono, stereo, 5.1, 7.1.
int OutputChannelsForChoice(int choice);
int ChoiceForOutputChannels(int channels);

}  // namespace vn
