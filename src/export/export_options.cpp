#include "export/export_options.h"

#include <algorithm>

namespace vn {

const char* exportLayoutName(int layout) {
  static const char* const kNames[kExportLayoutCount] = {"Stereo", "5.1", "7.1.4", "AmbiX"};
  return kNames[std::clamp(layout, 0, kExportLayoutCount - 1)];
}

ExportOptions exportOptionsFromPreferences(const Preferences& prefs) {
  ExportOptions o;
  o.formatAAF = prefs.exportFormatAAF;
  o.formatWAV = prefs.exportFormatWAV;
  o.wavMixdown = prefs.exportWavMixdown;
  o.wavStems = prefs.exportWavStems;
  o.wavTracks = prefs.exportWavTracks;
  o.wavClips = prefs.exportWavClips;
  o.reverbStem = prefs.exportReverbStem;
  o.wavLayout = std::clamp(prefs.exportWavLayout, 0, kExportLayoutCount - 1);
  o.lufsIndex = std::clamp(prefs.exportWavLUFSIndex, 0, 4);
  o.aafMarkers = prefs.exportAAFMarkers;
  o.aafVolAuto = prefs.exportAAFVolAuto;
  o.aafSourceChannels = prefs.exportAAFSourceChannels;
  o.aafMultichannelTracks = prefs.exportAAFMultichannelTracks;
  o.handleDuration = std::max(0.0f, prefs.handleDuration);
  o.handleFullSource = prefs.handleFullSource;
  o.fadeInDuration = std::max(0.0f, prefs.fadeInDuration);
  o.fadeOutDuration = std::max(0.0f, prefs.fadeOutDuration);
  o.embedPrintToken = prefs.embedPrintToken;
  o.spatialAmount = prefs.spatialAmount;
  o.spatialDiffuse = prefs.spatialDiffuse;
  return o;
}

ExportOptions exportOptionsFor(const Preferences& prefs, const ExportSettings& project) {
  ExportOptions o = exportOptionsFromPreferences(prefs);
  o.aafSourceChannels = project.exportAAFSourceChannels;
  return o;
}

void storeExportOptions(const ExportOptions& o, Preferences& prefs) {
  prefs.exportFormatAAF = o.formatAAF;
  prefs.exportFormatWAV = o.formatWAV;
  prefs.exportWavMixdown = o.wavMixdown;
  prefs.exportWavStems = o.wavStems;
  prefs.exportWavTracks = o.wavTracks;
  prefs.exportWavClips = o.wavClips;
  prefs.exportReverbStem = o.reverbStem;
  prefs.exportWavLayout = o.wavLayout;
  prefs.exportWavLUFSIndex = o.lufsIndex;
  prefs.exportAAFMarkers = o.aafMarkers;
  prefs.exportAAFVolAuto = o.aafVolAuto;
  prefs.exportAAFSourceChannels = o.aafSourceChannels;
  prefs.exportAAFMultichannelTracks = o.aafMultichannelTracks;
  prefs.handleDuration = o.handleDuration;
  prefs.handleFullSource = o.handleFullSource;
  prefs.fadeInDuration = o.fadeInDuration;
  prefs.fadeOutDuration = o.fadeOutDuration;
  prefs.embedPrintToken = o.embedPrintToken;
}

std::string exportOptionsProblem(const ExportOptions& o) {
  if (!o.formatAAF && !o.formatWAV) return "Select at least one format";
  if (o.formatWAV && !o.wavMixdown && !o.wavStems && !o.wavTracks && !o.wavClips)
    return "Select at least one WAV output type";
  return {};
}

}  // namespace vn
