#pragma once
// Timecode as the timeline shows it: a timeline time plus the project's start
// timecode, at the project's frame rate, or at 24 frames per second when the project
// has no usable rate.
#include <optional>
#include <string>
#include <string_view>

#include "core/session.h"

namespace vn {

double displayFps(const ProjectSettings& settings);
std::string sessionTimecode(const ProjectSettings& settings, double timelineSeconds);
// The timeline time of typed timecode text, never before 0; nothing when the text is
// not a timecode.
std::optional<double> parseSessionTimecode(const ProjectSettings& settings, std::string_view text);

}  // namespace vn
