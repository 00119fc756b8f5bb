// The Export panel: what a run writes (formats, WAV kinds, layout, loudness target,
// reverb stem, AAF modes, handles, fades, print token), where it goes, the button
// that starts it, and the result of the last run with its folder.
#include <imgui.h>

#include "app/app_state.h"
#include "app/export_actions.h"
#include "app/panel_draw.h"
#include "app/widgets.h"
#include "export/export_options.h"
#include "render/loudness.h"

namespace vn {
namespace {

float column(const AppState& app) { return 130.0f * app.uiScale; }

void flagChanged(AppState& app, bool changed) {
  if (changed) app.preferencesChanged = true;
}

void formatsSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Formats");
  flagChanged(app, ImGui::Checkbox("AAF session", &p.exportFormatAAF));
  ImGui::SameLine();
  flagChanged(app, ImGui::Checkbox("WAV files", &p.exportFormatWAV));
  // The tracks of the AAF and of "One file per track slot" follow the project's mode.
  deliveryChannelModeChoice(app);
}

void wavSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("WAV");
  ImGui::BeginDisabled(!p.exportFormatWAV);
  flagChanged(app, ImGui::Checkbox("Single mixdown file", &p.exportWavMixdown));
  flagChanged(app, ImGui::Checkbox("One file per group", &p.exportWavStems));
  flagChanged(app, ImGui::Checkbox("One file per track slot", &p.exportWavTracks));
  flagChanged(app, ImGui::Checkbox("Each layer as a timestamped BWF", &p.exportWavClips));
  const bool reverbOn = app.session.reverb.enabled;
  ImGui::BeginDisabled(!reverbOn);
  bool stem = p.exportReverbStem && reverbOn;
  if (ImGui::Checkbox("Wet reverb as its own track", &stem)) {
    p.exportReverbStem = stem;
    flagChanged(app, true);
  }
  ImGui::EndDisabled();
  if (!reverbOn) ImGui::TextDisabled("Enable reverb in the Mixer tab first");
  fieldLabel("Layout", column(app));
  const char* layouts[kExportLayoutCount];
  for (int i = 0; i < kExportLayoutCount; ++i) layouts[i] = exportLayoutName(i);
  flagChanged(app, ImGui::Combo("##export_layout", &p.exportWavLayout, layouts, kExportLayoutCount));
  fieldLabel("Mixdown loudness", column(app));
  const char* targets[5];
  for (int i = 0; i < 5; ++i) targets[i] = mixdownLoudnessTarget(i).label;
  flagChanged(app, ImGui::Combo("##export_lufs", &p.exportWavLUFSIndex, targets, 5));
  ImGui::EndDisabled();
}

void aafSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("AAF");
  ImGui::BeginDisabled(!p.exportFormatAAF);
  int tracks = p.exportAAFMultichannelTracks ? 1 : 0;
  fieldLabel("Tracks", column(app));
  const char* trackModes[] = {"Multi-mono - one mono track per channel", "Multichannel - one stereo / 5.1 / 7.1 track"};
  if (ImGui::Combo("##aaf_tracks", &tracks, trackModes, 2)) {
    p.exportAAFMultichannelTracks = tracks == 1;
    flagChanged(app, true);
  }
  flagChanged(app, ImGui::Checkbox("Intensity curves as clip gain automation", &p.exportAAFVolAuto));
  flagChanged(app, ImGui::Checkbox("Include sync point markers", &p.exportAAFMarkers));
  ImGui::EndDisabled();
}

void clipsSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Clips");
  flagChanged(app, ImGui::Checkbox("Include entire source file as handles", &p.handleFullSource));
  ImGui::BeginDisabled(p.handleFullSource);
  fieldLabel("Handle length (each side)", column(app));
  flagChanged(app, ImGui::SliderFloat("##handles", &p.handleDuration, 0.0f, 10.0f, "%.2f s",
                                      ImGuiSliderFlags_AlwaysClamp));
  ImGui::EndDisabled();
  fieldLabel("Fade in", column(app));
  flagChanged(app, ImGui::SliderFloat("##fade_in", &p.fadeInDuration, 0.0f, 1.0f, "%.3f s", ImGuiSliderFlags_AlwaysClamp));
  fieldLabel("Fade out", column(app));
  flagChanged(app,
              ImGui::SliderFloat("##fade_out", &p.fadeOutDuration, 0.0f, 1.0f, "%.3f s", ImGuiSliderFlags_AlwaysClamp));
  flagChanged(app, ImGui::Checkbox("Embed the print token", &p.embedPrintToken));
}

void destinationSection(AppState& app) {
  ExportPanelState& s = app.exportState;
  sectionTitle("Destination");
  fieldLabel("Folder", column(app));
  const std::string folderHint = defaultExportFolder(app);
  char folder[1024];
  snprintf(folder, sizeof folder, "%s", s.folder.c_str());
  if (ImGui::InputTextWithHint("##export_folder", folderHint.c_str(), folder, sizeof folder)) s.folder = folder;
  fieldLabel("Name", column(app));
  const std::string nameHint = defaultExportBaseName(app);
  char name[256];
  snprintf(name, sizeof name, "%s", s.baseName.c_str());
  if (ImGui::InputTextWithHint("##export_name", nameHint.c_str(), name, sizeof name)) s.baseName = name;
}

void runSection(AppState& app) {
  ImGui::Spacing();
  const std::string blocked = exportBlockedReason(app);
  const bool running = exportRunning(app);
  ImGui::BeginDisabled(!blocked.empty());
  if (ImGui::Button(running ? "Exporting\u2026" : "Export")) {
    const std::string& chosen = app.exportState.folder;
    app.commands.post({CommandId::Export, chosen.empty() ? defaultExportFolder(app) : chosen, -1});
  }
  ImGui::EndDisabled();
  if (!blocked.empty()) {
    ImGui::SameLine();
    ImGui::TextDisabled("%s", blocked.c_str());
  }
  const ExportPanelState& s = app.exportState;
  if (s.result.empty()) return;
  const ImVec4 colour = s.resultFailed ? ImVec4(1.0f, 0.45f, 0.4f, 1.0f) : ImVec4(0.55f, 0.9f, 0.55f, 1.0f);
  ImGui::PushTextWrapPos(0.0f);
  ImGui::TextColored(colour, "%s", s.result.c_str());
  ImGui::PopTextWrapPos();
  if (!s.resultFailed && ImGui::Button("Open export folder")) openExportFolder(app);
}

// Export Variations: takes of the selected events, each built afresh.
void variationsSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Variations");
  fieldLabel("Takes per event", column(app));
  flagChanged(app, ImGui::SliderInt("##var_count", &p.varCount, 1, 50, "%d", ImGuiSliderFlags_AlwaysClamp));
  int channels = p.varChannels == 2 ? 1 : 0;
  fieldLabel("Channels", column(app));
  const char* channelNames[] = {"Mono", "Stereo"};
  if (ImGui::Combo("##var_channels", &channels, channelNames, 2)) {
    p.varChannels = channels == 1 ? 2 : 1;
    flagChanged(app, true);
  }
  const int rates[] = {44100, 48000, 88200, 96000};
  const char* rateNames[] = {"44.1 kHz", "48 kHz", "88.2 kHz", "96 kHz"};
  int rate = 1;
  for (int i = 0; i < 4; ++i)
    if (rates[i] == p.varSampleRate) rate = i;
  fieldLabel("Sample rate", column(app));
  if (ImGui::Combo("##var_rate", &rate, rateNames, 4)) {
    p.varSampleRate = rates[rate];
    flagChanged(app, true);
  }
  flagChanged(app, ImGui::Checkbox("Render the reverb into the takes", &p.varReverb));
  flagChanged(app, ImGui::Checkbox("Normalize takes to##var", &p.varNormalize));
  ImGui::SameLine();
  ImGui::BeginDisabled(!p.varNormalize);
  ImGui::SetNextItemWidth(120.0f * app.uiScale);
  flagChanged(app, ImGui::SliderInt("##var_db", &p.varNormalizeDb, -24, 0, "%d dBFS", ImGuiSliderFlags_AlwaysClamp));
  ImGui::EndDisabled();
  const int selected = static_cast<int>(app.selection.events.size());
  ImGui::BeginDisabled(selected == 0 || exportRunning(app));
  const std::string label = selected == 0 ? std::string("Export Variations")
                                          : "Export Variations of " + std::to_string(selected) +
                                                (selected == 1 ? " event" : " events");
  if (ImGui::Button(label.c_str())) app.commands.post({CommandId::ExportVariations, defaultVariationsFolder(app), -1});
  ImGui::EndDisabled();
  if (selected == 0) {
    ImGui::SameLine();
    ImGui::TextDisabled("Select the events to vary on the timeline");
  }
}

}  // namespace

void drawExportPanel(AppState& app) {
  formatsSection(app);
  wavSection(app);
  aafSection(app);
  clipsSection(app);
  destinationSection(app);
  runSection(app);
  variationsSection(app);
}

}  // namespace vn
