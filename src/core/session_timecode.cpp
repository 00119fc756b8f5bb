#include "core/session_timecode.h"

#include <algorithm>

#include "core/timecode.h"

namespace vn {

double displayFps(const ProjectSettings& settings) { return settings.fps > 0 ? settings.fps : 24.0; }

std::string sessionTimecode(const ProjectSettings& settings, double timelineSeconds) {
  return formatTimecode(timelineSeconds + settings.startTC, displayFps(settings));
}

std::optional<double> parseSessionTimecode(const ProjectSettings& settings, std::string_view text) {
  const double t = parseTimecode(text, displayFps(settings));
  if (t < 0) return std::nullopt;
  return std::max(0.0, t - settings.startTC);
}

}  // namespace vn
