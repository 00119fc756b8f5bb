#include "audio/audio_output.h"

#include <chrono>
#include <thread>

#include "audio/driver_guard.h"
#include "audio/output_internal.h"
#include "audio/stream_choice.h"
#include "platform/log.h"

namespace vn {
namespace {

// Waits until no callback is inside the output (they are short; the driver's
// thread runs one per buffer).
void waitForCallbacks(const AudioOutput& output) {
  while (output.callbacksInFlight.load() != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void reportRateMismatch(AudioOutput& output) {
  if (output.hardwareRate <= 0 || output.hardwareRate == output.streamRate) return;
  if (output.api == kApiLowLatency) {
    output.statusText = format(
        "The ASIO driver is clocked at %d Hz, not %d Hz - playback will be off speed. Check its clock "
        "source in Driver Settings.",
        output.hardwareRate, output.streamRate);
    logLine("[Audio] ASIO clock mismatch: stream opened at %d Hz, driver reports %d Hz (external clock, or the "
            "driver refused the rate change).\n",
            output.streamRate, output.hardwareRate);
  } else {
    output.statusText = format(
        "Device is running at %d Hz, not %d Hz - the system is resampling. Set the device to %d Hz for a clean "
        "path.",
        output.hardwareRate, output.streamRate, output.streamRate);
    logLine("[Audio] Rate mismatch: stream opened at %d Hz, hardware mix format is %d Hz (OS-side sample-rate "
            "conversion is active).\n",
            output.streamRate, output.hardwareRate);
  }
}

// One open attempt; false when the driver refused (or crashed, which is reported).
bool tryOpen(AudioOutput& output, StreamRequest request, unsigned& granted, bool& crashed) {
  output.binding->channels = request.channels;
  GuardResult r = GuardedDriverCall(
      [&] { granted = output.rtaudio->openStream(request, &driverCallback, output.binding.get()); });
  crashed = r.crashed();
  if (crashed) reportFailureLocked(output, r.code, driverCrashText(output.api));
  else if (!r.ok()) logLine("[Audio] %s could not open a stream: %s\n", output.backendName.c_str(), r.message.c_str());
  return r.ok();
}

}  // namespace

std::string ApiFallbackName(int api) {
  if (api == kApiLowLatency) return "JACK";
  if (api == kApiShared) return "ALSA";
  return "Unknown";
}

const char* driverCrashText(int api) {
  return api == kApiLowLatency ? "The ASIO driver crashed" : "The audio driver crashed";
}

bool streamOpen(const AudioOutput& output) { return output.rtaudio && output.streamRate > 0; }

int findDeviceIndex(const AudioOutput& output, unsigned deviceId) {
  for (size_t i = 0; i < output.devices.size(); ++i)
    if (output.devices[i].id == deviceId) return static_cast<int>(i);
  return -1;
}

int PreferredDeviceIndex(const AudioOutput& output) {
  if (output.devices.empty()) return -1;
  for (size_t i = 0; i < output.devices.size(); ++i)
    if (!output.preferredDeviceName.empty() && output.devices[i].name == output.preferredDeviceName)
      return static_cast<int>(i);
  for (size_t i = 0; i < output.devices.size(); ++i)
    if (output.devices[i].isDefault) return static_cast<int>(i);
  return 0;
}

void ConfigureStreamState(AudioOutput& output, int projectRate, int streamRate, int channels,
                          int framesPerCallback) {
  output.projectRate = projectRate;
  output.streamRate = streamRate;
  output.channels = channels;
  output.streamFrames = framesPerCallback;
  SizeResampler(output.resampler, ResamplerCapacity(projectRate, streamRate, framesPerCallback), channels);
  output.resamplerSources = nullptr;
}

void closeStreamLocked(AudioOutput& output) {
  if (output.rtaudio) {
    GuardResult r = GuardedDriverCall([&] { output.rtaudio->closeStream(); });
    if (r.crashed()) reportFailureLocked(output, r.code, driverCrashText(output.api));
  }
  output.running = false;
  output.streamRate = 0;
  output.hardwareRate = 0;
  output.deviceIndex = -1;
}

void closeApiLocked(AudioOutput& output) {
  closeStreamLocked(output);
  if (output.rtaudio) {
    GuardResult r = GuardedDriverCall([&] { output.rtaudio.reset(); });
    if (r.crashed()) reportFailureLocked(output, r.code, driverCrashText(output.api));
  }
  output.rtaudio.reset();
  output.devices.clear();
  output.api = kApiClosed;
}

bool openApiLocked(AudioOutput& output, int api, std::string* triedName) {
  closeApiLocked(output);
  if (triedName) *triedName = ApiFallbackName(api);
  if (api == kApiLowLatency && output.asioDisabled) return false;
  std::unique_ptr<AudioDriver> driver;
  std::vector<AudioDeviceInfo> devices;
  GuardResult r = GuardedDriverCall([&] {
    driver = output.makeDriver(api);
    if (driver) devices = driver->outputDevices();
  });
  if (r.crashed()) {
    output.api = api;
    output.rtaudio = std::move(driver);
    reportFailureLocked(output, r.code, driverCrashText(api));
    return false;
  }
  if (!r.ok()) logLine("[Audio] %s\n", r.message.c_str());
  if (driver && triedName) *triedName = driver->name();
  if (!r.ok() || !driver || devices.empty()) return false;
  output.api = api;
  output.backendName = driver->name();
  output.rtaudio = std::move(driver);
  output.devices = std::move(devices);
  return true;
}

bool openStreamLocked(AudioOutput& output, unsigned deviceId, int projectRate) {
  if (!output.rtaudio) return false;
  closeStreamLocked(output);
  int index = findDeviceIndex(output, deviceId);
  if (index < 0) return false;
  const AudioDeviceInfo& device = output.devices[static_cast<size_t>(index)];

  StreamRequest request;
  request.deviceId = deviceId;
  request.sampleRate = ChooseStreamRate(projectRate, device);
  request.channels = ChooseStreamChannels(output.requestedChannels, device.outputChannels);
  request.bufferFrames = output.api == kApiLowLatency ? 0u : static_cast<unsigned>(SnapBufferFrames(output.bufferSize));

  output.binding = std::make_unique<StreamBinding>();
  output.binding->output = &output;
  unsigned granted = 0;
  bool crashed = false;
  bool opened = tryOpen(output, request, granted, crashed);
  if (!opened && !crashed && request.channels != 2) {
    request.channels = 2;
    opened = tryOpen(output, request, granted, crashed);
  }
  if (!opened) return false;

  output.deviceId = deviceId;
  output.deviceIndex = index;
  output.callbackCrashSignal = 0;
  ConfigureStreamState(output, projectRate, request.sampleRate, request.channels,
                       static_cast<int>(granted > 0 ? granted : request.bufferFrames));
  GuardResult started = GuardedDriverCall([&] {
    output.rtaudio->startStream();
    output.latencyFrames = output.rtaudio->latencyFrames();
    output.hardwareRate = output.rtaudio->hardwareRate();
  });
  if (started.crashed()) {
    reportFailureLocked(output, started.code, driverCrashText(output.api));
    return false;
  }
  if (!started.ok()) {
    logLine("[Audio] %s could not start the stream: %s\n", output.backendName.c_str(), started.message.c_str());
    closeStreamLocked(output);
    return false;
  }
  output.running = true;
  output.statusText.clear();
  output.failed = false;
  reportRateMismatch(output);
  return true;
}

bool OpenAudioApi(AudioOutput& output, int api) {
  std::lock_guard<std::mutex> lock(output.mutex);
  return openApiLocked(output, api);
}

bool OpenOutputStream(AudioOutput& output, unsigned deviceId, int projectRate) {
  std::lock_guard<std::mutex> lock(output.mutex);
  return openStreamLocked(output, deviceId, projectRate);
}

void CloseAudioOutput(AudioOutput& output) {
  std::lock_guard<std::mutex> lock(output.mutex);
  closeApiLocked(output);
}

void SetPlaybackSources(AudioOutput& output, StereoSource stereo, MultichannelSource multichannel) {
  std::lock_guard<std::mutex> lock(output.mutex);
  auto fresh = std::make_unique<PlaybackSources>(PlaybackSources{std::move(stereo), std::move(multichannel)});
  output.sources.store(fresh.get());
  waitForCallbacks(output);
  output.ownedSources = std::move(fresh);
}

}  // namespace vn
