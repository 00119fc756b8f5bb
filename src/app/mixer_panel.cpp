// The Mixer: a fader per bus, the master and the reference (video) gains, and the
// reverb with its one-knob macro and its six parameters.
#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/panel_draw.h"
#include "app/widgets.h"
#include "platform/log.h"
#include "render/reverb_macro.h"

namespace vn {
namespace {

constexpr float kFaderFloorDb = -60.0f;
constexpr float kFaderTopDb = 12.0f;

// The caption cut to the fader's width, ending in "…" when it was cut.
std::string fittedCaption(const std::string& caption, float width) {
  if (ImGui::CalcTextSize(caption.c_str()).x <= width) return caption;
  std::string cut = caption;
  while (!cut.empty() && ImGui::CalcTextSize((cut + "\u2026").c_str()).x > width) {
    // Whole characters only: continuation bytes go with the byte that starts them.
    while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
    if (!cut.empty()) cut.pop_back();
  }
  return cut + "\u2026";
}

// A vertical fader in dB over a linear gain, its name beneath (all of it on hover).
void fader(AppState& app, const char* id, const std::string& name, float& gain) {
  const char* caption = name.c_str();
  ImGui::BeginGroup();
  float db = gain > 0.0f ? std::clamp(20.0f * std::log10(gain), kFaderFloorDb, kFaderTopDb) : kFaderFloorDb;
  const std::string shown = db <= kFaderFloorDb ? "-inf" : format("%+.1f", db);
  const ImVec2 size(44 * app.uiScale, 150 * app.uiScale);
  if (ImGui::VSliderFloat(id, size, &db, kFaderFloorDb, kFaderTopDb, shown.c_str()) && acceptEdit(app, caption))
    gain = db <= kFaderFloorDb ? 0.0f : std::pow(10.0f, db / 20.0f);
  finishEdit();
  if (ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(0) && acceptEdit(app, caption)) gain = 1.0f;
  const std::string shownName = fittedCaption(name, size.x + ImGui::GetStyle().ItemSpacing.x);
  if (shownName != name && ImGui::IsItemHovered()) ImGui::SetTooltip("%s", caption);
  const float width = ImGui::CalcTextSize(shownName.c_str()).x;
  ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, (size.x - width) * 0.5f));
  ImGui::TextDisabled("%s", shownName.c_str());
  ImGui::EndGroup();
}

void faders(AppState& app) {
  Session& s = app.session;
  sectionTitle("Busses");
  const int count = std::clamp(s.trackLayout.busCount, 1, kMaxBusses);
  for (int b = 0; b < count; ++b) {
    const Bus& bus = s.trackLayout.busses[b];
    const std::string caption = bus.name.empty() ? format("Bus %d", b + 1) : bus.name;
    const std::string id = format("##bus%d", b);
    fader(app, id.c_str(), caption, s.groupGain[b]);
    ImGui::SameLine();
  }
  ImGui::SameLine(0, 18 * app.uiScale);
  fader(app, "##reference", "Video", s.refGain);
  ImGui::SameLine(0, 18 * app.uiScale);
  fader(app, "##master", "Master", s.masterGain);
  ImGui::TextDisabled("Double-click a fader for 0 dB.");
}

void reverb(AppState& app) {
  ReverbSettings& r = app.session.reverb;
  sectionTitle("Reverb");
  editBool(app, "Reverb on", r.enabled);
  ImGui::BeginDisabled(!r.enabled);
  const float column = 110.0f * app.uiScale;
  // The macro sweeps all six parameters through the named rooms.
  fieldLabel("Room", column);
  float macro = app.prefs.reverbMacro;
  const auto& presets = reverbPresets();
  const ReverbPreset* nearest = &presets[0];
  for (const ReverbPreset& p : presets)
    if (std::fabs(p.position - macro) < std::fabs(nearest->position - macro)) nearest = &p;
  if (ImGui::SliderFloat("##macro", &macro, 0.0f, 1.0f, nearest->name) && acceptEdit(app, "Reverb room")) {
    app.prefs.reverbMacro = macro;
    applyReverbMacro(r, macro);
    app.preferencesChanged = true;
  }
  finishEdit();
  fieldLabel("Size", column);
  editFloat(app, "##size", r.size, 0.0f, 1.0f);
  fieldLabel("Decay", column);
  editFloat(app, "##decay", r.decay, 0.0f, 1.0f);
  fieldLabel("Damping", column);
  editFloat(app, "##damping", r.damping, 0.0f, 1.0f);
  fieldLabel("Pre-delay", column);
  float ms = r.preDelay * 1000.0f;
  if (editFloat(app, "##predelay", ms, 0.0f, 200.0f, "%.0f ms")) r.preDelay = ms / 1000.0f;
  fieldLabel("Diffusion", column);
  editFloat(app, "##diffusion", r.diffusion, 0.0f, 1.0f);
  fieldLabel("Modulation", column);
  editFloat(app, "##modulation", r.modulation, 0.0f, 1.0f);
  ImGui::TextDisabled("Sends");
  for (int b = 0; b < 3; ++b) {
    const Bus& bus = app.session.trackLayout.busses[b];
    const std::string label = bus.name.empty() ? format("Bus %d", b + 1) : bus.name;
    fieldLabel(label.c_str(), column);
    editFloat(app, format("##send%d", b).c_str(), r.groupSends[b], 0.0f, 1.0f);
  }
  ImGui::EndDisabled();
}

}  // namespace

void drawMixerPanel(AppState& app) {
  faders(app);
  reverb(app);
}

}  // namespace vn
