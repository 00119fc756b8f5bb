// The Settings panel: the preferences kept between runs, the audio output among
// them. A change is written by the frame loop through the preferences-changed flag.
#include <imgui.h>

#include <array>
#include <ctime>

#include "app/app_state.h"
#include "app/audio_panels.h"
#include "app/panel_draw.h"
#include "app/update_actions.h"
#include "app/widgets.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "update/update_texts.h"

namespace vn {
namespace {

constexpr std::array<int, 4> kRates{44100, 48000, 88200, 96000};

float column(const AppState& app) { return 170.0f * app.uiScale; }

void flagChanged(AppState& app, bool changed) {
  if (changed) app.preferencesChanged = true;
}

void interfaceSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Interface");
  bool automatic = p.fontSizeAuto;
  if (ImGui::Checkbox("Automatic text size", &automatic)) {
    p.fontSizeAuto = automatic;
    app.fontsDirty = true;
    flagChanged(app, true);
  }
  ImGui::BeginDisabled(p.fontSizeAuto);
  fieldLabel("Text size", column(app));
  const char* sizes[] = {"Small", "Medium", "Large"};
  int preset = p.fontSizePreset;
  if (ImGui::Combo("##font_size", &preset, sizes, 3)) {
    p.fontSizePreset = preset;
    app.fontsDirty = true;
    flagChanged(app, true);
  }
  ImGui::EndDisabled();
  flagChanged(app, ImGui::Checkbox("Show the project launcher at start", &p.showLauncherOnStartup));
}

void backupSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Automatic backup");
  flagChanged(app, ImGui::Checkbox("Back up unsaved changes", &p.autoSaveEnabled));
  ImGui::BeginDisabled(!p.autoSaveEnabled);
  fieldLabel("Every", column(app));
  flagChanged(app, ImGui::SliderFloat("##interval", &p.autoSaveInterval, 30.0f, 3600.0f, "%.0f s",
                                      ImGuiSliderFlags_Logarithmic | ImGuiSliderFlags_AlwaysClamp));
  fieldLabel("Backups kept", column(app));
  flagChanged(app, ImGui::SliderInt("##max_backups", &p.maxBackups, 1, 50, "%d", ImGuiSliderFlags_AlwaysClamp));
  ImGui::EndDisabled();
}

void buildSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Building");
  flagChanged(app, ImGui::Checkbox("Protect silence between sounds", &p.protectSilence));
  flagChanged(app, ImGui::Checkbox("Carve the spectrum of crowded layers", &p.destructiveEQ));
  flagChanged(app, ImGui::Checkbox("Place each Chain as one linked group", &p.chainsImportAsGroup));
  flagChanged(app, ImGui::Checkbox("Extend sources shorter than their event", &p.extendShortSources));
}

void defaultsSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("New projects");
  fieldLabel("Sample rate", column(app));
  if (ImGui::BeginCombo("##default_rate", format("%d Hz", p.projectSampleRate).c_str())) {
    for (int rate : kRates)
      if (ImGui::Selectable(format("%d Hz", rate).c_str(), p.projectSampleRate == rate)) {
        p.projectSampleRate = rate;
        flagChanged(app, true);
      }
    ImGui::EndCombo();
  }
  fieldLabel("Longest event", column(app));
  flagChanged(app, ImGui::SliderFloat("##default_max_event", &p.maxEventDuration, 0.1f, 600.0f, "%.1f s",
                                      ImGuiSliderFlags_Logarithmic | ImGuiSliderFlags_AlwaysClamp));
}

void offerLines(const AppState& app, const ReleaseOffer& offer) {
  ImGui::TextUnformatted(format("Version %s is available.", offer.version.c_str()).c_str());
  ImGui::TextUnformatted(format("You're on %s.", app.updateSettings.runningVersion.c_str()).c_str());
  if (!offer.date.empty()) ImGui::TextDisabled("Released %s", offer.date.c_str());
  for (const std::string& note : offer.notes) ImGui::BulletText("%s", note.c_str());
}

void updateSection(AppState& app) {
  Preferences& p = app.prefs;
  sectionTitle("Updates");
  if (const std::optional<ReleaseOffer> offer = visibleOffer(p)) {
    offerLines(app, *offer);
    if (ImGui::Button("View update")) app.commands.post(CommandId::ViewUpdate);
    ImGui::SameLine();
    if (ImGui::Button("Dismiss")) app.commands.post(CommandId::DismissUpdate);
  } else if (p.updateCheckEnabled) {
    ImGui::TextUnformatted(format("You're on %s - the latest version.", app.updateSettings.runningVersion.c_str()).c_str());
  } else {
    ImGui::TextUnformatted("Automatic update checks are off.");
    ImGui::TextDisabled("This app never connects on its own.");
  }
  const std::string checked = lastCheckedText(p.lastUpdateCheck, static_cast<long long>(std::time(nullptr)));
  if (!checked.empty()) ImGui::TextDisabled("%s", checked.c_str());
  const bool running = updateCheckRunning(app);
  ImGui::BeginDisabled(running);
  if (ImGui::Button("Check now")) app.commands.post(CommandId::CheckForUpdates);
  ImGui::EndDisabled();
  if (running) {
    ImGui::SameLine();
    ImGui::TextDisabled("Checking\xE2\x80\xA6");
  }
  flagChanged(app, ImGui::Checkbox("Check for updates automatically", &p.updateCheckEnabled));
}

}  // namespace

void drawSettingsPanel(AppState& app) {
  interfaceSection(app);
  drawAudioPanel(app);
  backupSection(app);
  buildSection(app);
  defaultsSection(app);
  updateSection(app);
  ImGui::Spacing();
  ImGui::TextDisabled("Settings are kept in %s", appDataFolder().c_str());
}

}  // namespace vn
