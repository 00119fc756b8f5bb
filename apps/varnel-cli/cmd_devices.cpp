// varnel-cli devices: the audio back ends and their output devices.
#include <cstdio>
#include <string>
#include <vector>

#include "args.h"
#include "audio/backend_survey.h"
#include "command.h"
#include "platform/text.h"

namespace vn::cli {
namespace {

std::string rateList(const AudioDeviceInfo& d) {
  std::string text;
  for (int rate : d.sampleRates) {
    if (!text.empty()) text += " ";
    text += std::to_string(rate);
    if (rate == d.preferredRate) text += "*";
  }
  return text.empty() ? "rates unknown" : text + " Hz";
}

int runDevices(const std::vector<std::string>& args);

const Command kDevices{"devices", "devices", "list the audio back ends and their output devices",
                       "Shows, for the low-latency back end (JACK) and the shared system back end (PulseAudio,\n"
                       "else ALSA), every output device with its channels and sample rates (* marks the\n"
                       "device's preferred rate). Nothing is opened.",
                       &runDevices};
const Registration kRegistration(kDevices);

int runDevices(const std::vector<std::string>& args) {
  Args parsed(args, {}, {});
  if (!parsed.error().empty()) return usageError(kDevices, parsed.error());
  if (!parsed.positional().empty()) return usageError(kDevices, "devices takes no arguments");
  int outputs = 0;
  for (const BackendSurvey& s : SurveyAudioBackends()) {
    std::printf("%s\n", s.name.c_str());
    if (!s.problem.empty()) {
      std::printf("  (%s)\n", s.problem.c_str());
      continue;
    }
    if (s.devices.empty()) std::printf("  no output devices\n");
    for (size_t i = 0; i < s.devices.size(); ++i) {
      const AudioDeviceInfo& d = s.devices[i];
      std::printf("  %zu  %s - %d output channel%s, %s%s\n", i, d.name.c_str(), d.outputChannels,
                  plural(d.outputChannels), rateList(d).c_str(), d.isDefault ? " (default)" : "");
    }
    outputs += static_cast<int>(s.devices.size());
  }
  if (outputs == 0) std::printf("No audio output is available on this machine.\n");
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
