#pragma once
// Steps shared by the output's public functions; each expects output.mutex held.
#include <string>

#include "audio/audio_output.h"

namespace vn {

// triedName, when given, receives the back end's name even when it had no output.
bool openApiLocked(AudioOutput& output, int api, std::string* triedName = nullptr);
bool openStreamLocked(AudioOutput& output, unsigned deviceId, int projectRate);
void closeStreamLocked(AudioOutput& output);
// Closes the stream and lets go of the back end.
void closeApiLocked(AudioOutput& output);
void reportFailureLocked(AudioOutput& output, unsigned long code, const std::string& message);
void recoverLocked(AudioOutput& output);
bool streamOpen(const AudioOutput& output);
int findDeviceIndex(const AudioOutput& output, unsigned deviceId);
// "The ASIO driver crashed" on the low-latency back end, else "The audio driver crashed".
const char* driverCrashText(int api);

// The driver-facing callback: guards AudioCallback and ignores bindings that
// were switched off.
int driverCallback(float* out, unsigned frames, bool underflow, void* user);

}  // namespace vn
