#include "audio/av_readout.h"

#include <cstdio>

namespace vn {

double OutputLatencyMs(const AudioOutput& output) {
  if (output.streamRate <= 0) return 0.0;
  long frames = output.latencyFrames > 0 ? output.latencyFrames : output.streamFrames;
  return 1000.0 * static_cast<double>(frames) / output.streamRate;
}

std::string AvReadout(const AudioOutput& output, std::optional<double> pictureToSoundMs) {
  double balance = 0.0;
  if (output.projectRate > 0 && output.streamRate > 0) {
    double pulled = static_cast<double>(output.counters.framesPulled.load()) / output.projectRate;
    double played = static_cast<double>(output.counters.framesDelivered.load()) / output.streamRate;
    balance = 1000.0 * (pulled - played);
  }
  const char* api = output.api == kApiClosed || output.backendName.empty() ? "Unknown" : output.backendName.c_str();
  char text[256];
  int n = std::snprintf(text, sizeof text, "av[proj=%d dev=%d hw=%d buf=%d lat=%.1fms api=%s bal=%+.1f",
                        output.projectRate, output.streamRate, output.hardwareRate, output.streamFrames,
                        OutputLatencyMs(output), api, balance);
  if (n < 0 || n >= static_cast<int>(sizeof text)) return "av[fmt-error]";
  int m = pictureToSoundMs ? std::snprintf(text + n, sizeof text - n, " picSnd=%+.0fms]", *pictureToSoundMs)
                           : std::snprintf(text + n, sizeof text - n, " picSnd=n/a]");
  if (m < 0 || m >= static_cast<int>(sizeof text) - n) return "av[fmt-error]";
  return text;
}

}  // namespace vn
