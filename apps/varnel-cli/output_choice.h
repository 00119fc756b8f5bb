#pragma once
// The audio output a playing command uses: the one the preferences name, or a
// device named on the command line, opened without the start-up chatter.
#include <optional>
#include <string>

#include "audio/audio_output.h"
#include "core/preferences.h"

namespace vn::cli {

// Opens the output at rate; false with one sentence in error when the named device
// does not exist or nothing opens.
bool openCommandOutput(AudioOutput& output, const Preferences& prefs, const std::optional<std::string>& device,
                       int rate, std::string& error);
// The open device's name, for the line that says where it plays.
std::string openDeviceName(const AudioOutput& output);

}  // namespace vn::cli
