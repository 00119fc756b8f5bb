#include "output_choice.h"

#include "audio/audio_startup.h"
#include "audio/backend_survey.h"
#include "audio/playback_setup.h"
#include "platform/log.h"
#include "platform/text.h"

namespace vn::cli {
namespace {

// The back end that has a device of this name, for the saved settings.
std::optional<std::string> backendWithDevice(const std::string& device) {
  for (const BackendSurvey& s : SurveyAudioBackends())
    for (const AudioDeviceInfo& d : s.devices)
      if (d.name == device) return s.name;
  return std::nullopt;
}

}  // namespace

bool openCommandOutput(AudioOutput& output, const Preferences& prefs, const std::optional<std::string>& device,
                       int rate, std::string& error) {
  AudioSettings settings = AudioSettingsFromPreferences(prefs);
  if (device) {
    const auto backend = backendWithDevice(*device);
    if (!backend) {
      error = format("There is no output device named \"%s\" (varnel-cli devices lists them).", device->c_str());
      return false;
    }
    settings.api = *backend;
    settings.device = *device;
  }
  // The application would play on a silent clock; here there is nothing to do but say so.
  LogSink previous = setLogSink([](LogStream, const std::string&) {});
  const bool opened = StartAudioOutput(output, settings, rate);
  setLogSink(previous);
  if (!opened) error = "No audio output is available - start a JACK server or a sound server and try again.";
  return opened;
}

std::string openDeviceName(const AudioOutput& output) {
  return output.deviceIndex >= 0 ? output.devices[static_cast<size_t>(output.deviceIndex)].name : "";
}

}  // namespace vn::cli
