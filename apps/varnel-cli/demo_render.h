#pragma once
// The demo's render step: the built demo session mixed to WAV beside the project.
#include <string>

#include "core/session.h"

namespace vn::cli {

// Writes folder/demo_mix.wav (stereo) and its reverb stem; a session without
// built layers is reported and left alone. False only when writing fails.
bool RenderDemoMix(const std::string& folder, Session& session);

}  // namespace vn::cli
