#include "audio/device_control.h"

#include "audio/output_internal.h"
#include "audio/stream_choice.h"

namespace vn {
namespace {

constexpr const char* kAsioOff = "ASIO is off until Varnel restarts - an ASIO driver crashed earlier";

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string openDeviceName(const AudioOutput& output) {
  if (output.deviceIndex < 0) return {};
  return output.devices[static_cast<size_t>(output.deviceIndex)].name;
}

int deviceIndexByName(const AudioOutput& output, const std::string& name) {
  for (size_t i = 0; i < output.devices.size(); ++i)
    if (output.devices[i].name == name) return static_cast<int>(i);
  return -1;
}

// Opens the back end and a device on it: the named one when it exists, else the preferred one.
bool openApiAndDevice(AudioOutput& output, int api, const std::string& deviceName, std::string* triedName = nullptr) {
  if (!openApiLocked(output, api, triedName)) return false;
  int index = deviceIndexByName(output, deviceName);
  if (index < 0) index = PreferredDeviceIndex(output);
  return openStreamLocked(output, output.devices[static_cast<size_t>(index)].id, output.projectRate);
}

// Reopens the open device after a setting changed; on failure `restore` puts
// the old setting back and the device is reopened with it.
template <typename Restore>
bool reopenWithSetting(AudioOutput& output, Restore restore, const char* refusal) {
  if (!streamOpen(output)) return true;
  unsigned device = output.deviceId;
  if (openStreamLocked(output, device, output.projectRate)) return true;
  restore();
  if (!output.rtaudio) return false;  // the driver crashed; its report stands
  openStreamLocked(output, device, output.projectRate);
  if (!output.failed) output.statusText = refusal;
  return false;
}

}  // namespace

bool SwitchAudioApi(AudioOutput& output, int api) {
  std::lock_guard<std::mutex> lock(output.mutex);
  if (api == output.api && output.rtaudio) return true;
  if (api == kApiLowLatency && output.asioDisabled) {
    output.statusText = kAsioOff;
    return false;
  }
  const int previousApi = output.api;
  const std::string previousName = output.backendName;
  const std::string previousDevice = openDeviceName(output);
  output.statusText.clear();
  std::string newName;
  if (openApiAndDevice(output, api, output.preferredDeviceName, &newName)) return true;

  const std::string failure = output.statusText;
  if (previousApi != kApiClosed && openApiAndDevice(output, previousApi, previousDevice)) {
    output.statusText = (failure.empty() ? "No usable output on " + newName : failure) + " - staying on " + previousName;
  } else {
    output.statusText = "Could not open any output on " + newName;
  }
  return false;
}

bool SelectOutputDevice(AudioOutput& output, int index) {
  std::lock_guard<std::mutex> lock(output.mutex);
  if (index < 0 || index >= static_cast<int>(output.devices.size())) return false;
  const AudioDeviceInfo chosen = output.devices[static_cast<size_t>(index)];
  const bool hadStream = streamOpen(output);
  if (hadStream && chosen.id == output.deviceId) return true;
  const unsigned previous = output.deviceId;
  if (openStreamLocked(output, chosen.id, output.projectRate)) {
    output.preferredDeviceId = chosen.id;
    output.preferredDeviceName = chosen.name;
    return true;
  }
  if (!output.rtaudio) return false;  // the driver crashed; its report stands
  std::string text = "Could not open " + quoted(chosen.name);
  if (output.api == kApiLowLatency) text += " - another application may be using it";
  if (hadStream)
    text += openStreamLocked(output, previous, output.projectRate) ? " - staying on the previous device"
                                                                    : " - and the previous device did not reopen";
  output.statusText = text;
  return false;
}

bool SetProjectRate(AudioOutput& output, int rate) {
  std::lock_guard<std::mutex> lock(output.mutex);
  if (rate == output.projectRate) return true;
  const int old = output.projectRate;
  output.projectRate = rate;
  return reopenWithSetting(output, [&] { output.projectRate = old; }, "The audio device refused this sample rate");
}

bool SetBufferSize(AudioOutput& output, int frames) {
  std::lock_guard<std::mutex> lock(output.mutex);
  const int snapped = SnapBufferFrames(frames);
  const int old = output.bufferSize;
  output.bufferSize = snapped;
  if (output.api == kApiLowLatency || snapped == old) return true;
  return reopenWithSetting(output, [&] { output.bufferSize = old; }, "The audio device refused this buffer size");
}

bool SetOutputChannels(AudioOutput& output, int choice) {
  std::lock_guard<std::mutex> lock(output.mutex);
  const int old = output.requestedChannels;
  output.requestedChannels = OutputChannelsForChoice(choice);
  if (output.requestedChannels == old) return true;
  return reopenWithSetting(output, [&] { output.requestedChannels = old; },
                           "The audio device refused this channel count");
}

bool RescanAsio(AudioOutput& output) {
  std::lock_guard<std::mutex> lock(output.mutex);
  if (output.asioDisabled) {
    output.statusText = kAsioOff;
    return false;
  }
  const int previousApi = output.api;
  const std::string previousDevice = openDeviceName(output);
  const std::string wanted =
      previousApi == kApiLowLatency && !previousDevice.empty() ? previousDevice : output.preferredDeviceName;
  if (!openApiLocked(output, kApiLowLatency)) {
    if (output.failed) return false;  // the driver crashed; its report stands
    if (previousApi == kApiShared) openApiAndDevice(output, kApiShared, previousDevice);
    output.statusText = "No ASIO driver could be opened";
    return false;
  }
  int index = deviceIndexByName(output, wanted);
  if (index < 0 && wanted.empty()) index = PreferredDeviceIndex(output);
  if (index >= 0 && openStreamLocked(output, output.devices[static_cast<size_t>(index)].id, output.projectRate))
    return true;
  if (output.failed) return false;
  if (previousApi == kApiShared) openApiAndDevice(output, kApiShared, previousDevice);
  output.statusText = "Could not reopen " + quoted(wanted) + " after the rescan";
  return false;
}

}  // namespace vn
