#include "audio/audio_recovery.h"

#include <chrono>
#include <thread>
#include <vector>

#include "audio/driver_guard.h"
#include "audio/output_internal.h"
#include "platform/log.h"

namespace vn {
namespace {

// Drivers that crashed are never called again, not even to be destroyed;
// they stay here, with their switched-off bindings, for the life of the process.
struct AbandonedDriver {
  std::unique_ptr<AudioDriver> driver;
  std::unique_ptr<StreamBinding> binding;
};
std::vector<AbandonedDriver>& abandonedDrivers() {
  static auto* list = new std::vector<AbandonedDriver>;  // never destroyed, on purpose
  return *list;
}

void abandonDriver(AudioOutput& output) {
  if (output.binding) output.binding->live.store(false);
  while (output.callbacksInFlight.load() != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  abandonedDrivers().push_back({std::move(output.rtaudio), std::move(output.binding)});
}

// Reopens the same back end from scratch on its default device: a server that
// went away takes its clients with it, so the old instance cannot be reused.
bool reopenOnDefault(AudioOutput& output) {
  int api = output.api;
  int rate = output.projectRate;
  std::string keep = output.preferredDeviceName;
  output.preferredDeviceName.clear();
  bool ok = openApiLocked(output, api);
  output.preferredDeviceName = keep;
  if (!ok) return false;
  int index = PreferredDeviceIndex(output);
  return openStreamLocked(output, output.devices[static_cast<size_t>(index)].id, rate);
}

}  // namespace

void reportFailureLocked(AudioOutput& output, unsigned long code, const std::string& message) {
  const bool lowLatency = output.api == kApiLowLatency;
  if (lowLatency) output.asioDisabled = true;
  abandonDriver(output);
  output.devices.clear();
  output.api = kApiClosed;
  output.running = false;
  output.streamRate = 0;
  output.hardwareRate = 0;
  output.deviceIndex = -1;
  output.failed = true;
  output.statusText = format("%s (0x%08lX)%s", message.c_str(), code,
                             lowLatency ? " - ASIO is off until Varnel restarts" : "");
  logLine("[Audio] %s\n", output.statusText.c_str());
}

void recoverLocked(AudioOutput& output) {
  output.failed = false;
  output.restoreAttempts += 1;
  if (output.restoreAttempts >= 4) {
    output.statusText += " - audio is off until Varnel restarts";
    return;
  }
  std::string reported = output.statusText;
  bool ok = openApiLocked(output, kApiShared);
  int index = ok ? PreferredDeviceIndex(output) : -1;
  ok = ok && openStreamLocked(output, output.devices[static_cast<size_t>(index)].id, output.projectRate);
  // The reported failure stays in front of the user either way.
  output.statusText = ok ? reported : reported + " - and no audio device could be reopened";
}

void ReportAudioFailure(AudioOutput& output, unsigned long code, const std::string& message) {
  std::lock_guard<std::mutex> lock(output.mutex);
  reportFailureLocked(output, code, message);
}

void RecoverAudio(AudioOutput& output) {
  std::lock_guard<std::mutex> lock(output.mutex);
  recoverLocked(output);
}

void CheckAudioHealth(AudioOutput& output) {
  std::lock_guard<std::mutex> lock(output.mutex);
  if (!streamOpen(output) || output.failed) return;
  if (output.api == kApiLowLatency) {
    if (int signal = output.callbackCrashSignal.exchange(0)) {
      reportFailureLocked(output, static_cast<unsigned long>(signal), "The ASIO audio callback crashed");
      recoverLocked(output);
      return;
    }
    bool reset = false;
    GuardResult r = GuardedDriverCall([&] { reset = output.rtaudio->resetRequested(); });
    if (r.crashed()) {
      reportFailureLocked(output, r.code, driverCrashText(output.api));
      return;
    }
    if (reset) {
      openStreamLocked(output, output.deviceId, output.projectRate);
      return;
    }
  }
  if (!output.running) return;
  bool stillRunning = true;
  GuardResult r = GuardedDriverCall([&] { stillRunning = output.rtaudio->isStreamRunning(); });
  if (r.crashed()) {
    reportFailureLocked(output, r.code, driverCrashText(output.api));
    return;
  }
  if (stillRunning) return;
  if (reopenOnDefault(output)) output.statusText = "Audio device disconnected - switched to default";
  else output.statusText = "Audio device lost - could not reopen";
  logLine("[Audio] %s\n", output.statusText.c_str());
}

}  // namespace vn
