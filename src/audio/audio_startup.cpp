#include "audio/audio_startup.h"

#include "audio/output_internal.h"
#include "audio/stream_choice.h"
#include "platform/log.h"

namespace vn {

int ApiFromName(const std::string& name) {
  if (name == "JACK") return kApiLowLatency;
  if (name == "PulseAudio" || name == "ALSA") return kApiShared;
  return kApiClosed;
}

bool StartAudioOutput(AudioOutput& output, const AudioSettings& settings, int projectRate) {
  std::lock_guard<std::mutex> lock(output.mutex);
  output.projectRate = projectRate;
  output.bufferSize = SnapBufferFrames(settings.bufferFrames);
  output.requestedChannels = OutputChannelsForChoice(settings.outputChannelChoice);
  output.preferredDeviceName = settings.device;
  const int saved = ApiFromName(settings.api);
  const int order[2] = {saved == kApiShared ? kApiShared : kApiLowLatency,
                        saved == kApiShared ? kApiLowLatency : kApiShared};
  std::string reported;  // a crash on the first back end stays in front of the user
  for (int api : order) {
    bool ok = openApiLocked(output, api);
    ok = ok && openStreamLocked(output, output.devices[static_cast<size_t>(PreferredDeviceIndex(output))].id,
                                projectRate);
    if (ok) {
      if (!reported.empty()) output.statusText = reported;
      return true;
    }
    if (output.failed) reported = output.statusText;
  }
  output.statusText = "No audio output is available - playback runs on a silent clock";
  logLine("[Audio] %s\n", output.statusText.c_str());
  return false;
}

AudioSettings CurrentAudioSettings(const AudioOutput& output) {
  AudioSettings s;
  s.api = output.api == kApiClosed ? std::string() : output.backendName;
  s.device = output.preferredDeviceName;
  s.bufferFrames = output.bufferSize;
  s.outputChannelChoice = ChoiceForOutputChannels(output.requestedChannels);
  return s;
}

}  // namespace vn
