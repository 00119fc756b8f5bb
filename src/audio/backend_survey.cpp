#include "audio/backend_survey.h"

#include <memory>

#include "audio/audio_output.h"
#include "audio/driver_guard.h"
#include "audio/output_internal.h"

namespace vn {

std::vector<BackendSurvey> SurveyAudioBackends(const AudioDriverFactory& makeDriver) {
  std::vector<BackendSurvey> list;
  for (int api : {kApiLowLatency, kApiShared}) {
    BackendSurvey s;
    s.api = api;
    s.name = ApiFallbackName(api);
    std::unique_ptr<AudioDriver> driver;
    GuardResult r = GuardedDriverCall([&] {
      driver = makeDriver(api);
      if (!driver) return;
      s.name = driver->name();
      s.devices = driver->outputDevices();
    });
    if (r.crashed()) {
      // Never touched again, like any driver that crashed.
      (void)driver.release();
      s.problem = driverCrashText(api);
    } else if (!r.ok()) {
      s.problem = r.message;
    } else if (!driver) {
      s.problem = "not available in this build";
    }
    list.push_back(std::move(s));
  }
  return list;
}

}  // namespace vn
