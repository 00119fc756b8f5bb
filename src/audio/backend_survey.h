#pragma once
// A look at every back end this machine offers and the output devices on each,
// without opening a stream: for device lists in the settings and on the command line.
#include <string>
#include <vector>

#include "audio/audio_driver.h"

namespace vn {

struct BackendSurvey {
  int api = kApiClosed;
  std::string name;
  std::vector<AudioDeviceInfo> devices;
  std::string problem;  // why the back end could not be asked, when it could not
};

std::vector<BackendSurvey> SurveyAudioBackends(const AudioDriverFactory& makeDriver = MakeRtAudioDriver);

}  // namespace vn
