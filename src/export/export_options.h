#pragma once
// What one export run writes: the export keys of the preferences, the folder and
// the base name, and the values the mix takes from elsewhere (spatial amounts).
#include <string>

#include "core/preferences.h"
#include "core/session.h"

namespace vn {

// exportWavLayout values.
enum class ExportLayout : int { Stereo = 0, Surround51 = 1, Surround714 = 2, AmbiX = 3 };
constexpr int kExportLayoutCount = 4;
// "Stereo", "5.1", "7.1.4", "AmbiX".
const char* exportLayoutName(int layout);

struct ExportOptions {
  std::string folder;
  std::string baseName;  // of the mixdown, the reverb stem and the delivery report
  std::string projectPath;  // the project the run delivers, as the ledger records it; may be empty

  bool formatAAF = true;
  bool formatWAV = true;
  bool wavMixdown = true;
  bool wavStems = false;
  bool wavTracks = false;
  bool wavClips = false;
  bool reverbStem = true;
  int wavLayout = 0;     // ExportLayout, clamped
  int lufsIndex = 0;     // 0 none, 1..4: -14, -16, -18, -23 LUFS
  bool aafMarkers = false;
  bool aafVolAuto = true;
  bool aafSourceChannels = true;
  bool aafMultichannelTracks = false;
  float handleDuration = 1.0f;  // seconds each side
  bool handleFullSource = false;
  float fadeInDuration = 0.01f;
  float fadeOutDuration = 0.05f;
  bool embedPrintToken = true;

  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
};

ExportOptions exportOptionsFromPreferences(const Preferences& prefs);
// The same, with the project's delivery channel mode (conform to its declared tracks,
// or keep every layer's own channels), which belongs to its bus declarations.
ExportOptions exportOptionsFor(const Preferences& prefs, const ExportSettings& project);
// The export keys of options back into the preferences (what the panel changed).
void storeExportOptions(const ExportOptions& options, Preferences& prefs);

// Why the options cannot start a run, in the panel's words; empty when they can:
// "Select at least one format", "Select at least one WAV output type".
std::string exportOptionsProblem(const ExportOptions& options);

}  // namespace vn
