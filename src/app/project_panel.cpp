// The Project panel: the project's settings, its musical scale and its busses.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <array>

#include "app/app_state.h"
#include "app/panel_draw.h"
#include "app/render_actions.h"
#include "app/widgets.h"
#include "builder/pitch_scale.h"
#include "core/session_timecode.h"
#include "core/text_field.h"
#include "core/timecode.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "render/spatial_layout.h"

namespace vn {
namespace {

constexpr std::array<int, 4> kRates{44100, 48000, 88200, 96000};
constexpr std::array<float, 9> kFrameRates{23.976f, 24.0f, 25.0f, 29.97f, 30.0f, 48.0f, 50.0f, 59.94f, 60.0f};

float column(const AppState& app) { return 130.0f * app.uiScale; }

void settingsSection(AppState& app) {
  Session& s = app.session;
  ProjectSettings& ps = s.settings;
  sectionTitle("Project");
  ImGui::TextDisabled("%s", app.project.projectPath.empty() ? "Not saved yet" : app.project.projectPath.c_str());
  fieldLabel("Description", column(app));
  editText(app, "##description", s.projectDescription, 4096);
  fieldLabel("Length", column(app));
  editDrag(app, "##length", ps.totalDuration, 0.5f, 1.0f, 36000.0f, "%.1f s");

  fieldLabel("Frame rate", column(app));
  if (ImGui::BeginCombo("##fps", format("%.3g fps", ps.fps).c_str())) {
    for (float fps : kFrameRates)
      if (ImGui::Selectable(format("%.3g fps", fps).c_str(), ps.fps == fps) && acceptEdit(app, "Frame rate"))
        ps.fps = fps;
    ImGui::EndCombo();
  }
  fieldLabel("Sample rate", column(app));
  if (ImGui::BeginCombo("##rate", format("%d Hz", ps.projectSampleRate).c_str())) {
    for (int rate : kRates)
      if (ImGui::Selectable(format("%d Hz", rate).c_str(), ps.projectSampleRate == rate) &&
          acceptEdit(app, "Sample rate"))
        ps.projectSampleRate = rate;
    ImGui::EndCombo();
  }
  fieldLabel("Start timecode", column(app));
  std::string tc = sessionTimecode(ps, 0.0);
  if (ImGui::InputText("##start_tc", &tc, ImGuiInputTextFlags_EnterReturnsTrue)) {
    const double t = parseTimecode(tc, displayFps(ps));
    if (t < 0) setStatus(app, "Type a timecode as HH:MM:SS:FF");
    else if (acceptEdit(app, "Start timecode")) ps.startTC = static_cast<float>(t);
  }
  fieldLabel("Longest event", column(app));
  editDrag(app, "##max_event", ps.maxEventDuration, 0.1f, 0.1f, 600.0f, "%.1f s");
}

void scaleSection(AppState& app) {
  ProjectSettings& ps = app.session.settings;
  sectionTitle("Pitch and scale");
  fieldLabel("Scale", column(app));
  if (ImGui::BeginCombo("##scale", scaleName(ps.scaleType))) {
    for (int i = 0; i < kScaleCount; ++i)
      if (ImGui::Selectable(scaleName(i), ps.scaleType == i) && acceptEdit(app, "Scale")) ps.scaleType = i;
    ImGui::EndCombo();
  }
  fieldLabel("Root", column(app));
  if (ImGui::BeginCombo("##root", rootName(ps.scaleRoot))) {
    for (int i = 0; i < kRootCount; ++i)
      if (ImGui::Selectable(rootName(i), ps.scaleRoot == i) && acceptEdit(app, "Root")) ps.scaleRoot = i;
    ImGui::EndCombo();
  }
  fieldLabel("Pitch shift", column(app));
  editInt(app, "##pitch_prob", ps.pitchShiftProb, 0, 100, "%d %%");
  fieldLabel("Frequency shift", column(app));
  editInt(app, "##freq_shift", ps.freqShiftIntensity, 0, 100, "%d %%");
  fieldLabel("Reverse", column(app));
  editInt(app, "##reverse", ps.reverseProb, 0, 100, "%d %%");
}

void slotRow(AppState& app, Bus& bus, size_t k) {
  BusSlot& slot = bus.slots[k];
  ImGui::PushID(static_cast<int>(k));
  ImGui::SetNextItemWidth(70 * app.uiScale);
  editInt(app, "##n", slot.count, 1, 32, "%d x");
  ImGui::SameLine();
  ImGui::SetNextItemWidth(80 * app.uiScale);
  if (ImGui::BeginCombo("##fmt", channelFormatName(slot.fmt))) {
    for (int f = 0; f < 4; ++f)
      if (ImGui::Selectable(channelFormatName(f), slot.fmt == f) && acceptEdit(app, "Slot format")) slot.fmt = f;
    ImGui::EndCombo();
  }
  ImGui::SameLine();
  ImGui::SetNextItemWidth(-30 * app.uiScale);
  std::string label = slot.label;
  if (ImGui::InputTextWithHint("##label", "label", &label) && acceptEdit(app, "Slot label"))
    slot.label = cutText(label, cap::kSlotLabel);
  finishEdit();
  ImGui::SameLine();
  if (ImGui::SmallButton("x") && acceptEdit(app, "Remove slot")) bus.slots.erase(bus.slots.begin() + k);
  ImGui::PopID();
}

void busSection(AppState& app) {
  Session& s = app.session;
  TrackLayout& layout = s.trackLayout;
  sectionTitle("Busses");
  if (editBool(app, "Normalize##s", s.settings.normalizeLUFS)) rebalanceBusses(app);
  if (ImGui::IsItemHovered())
    ImGui::SetTooltip("Balance each bus to its target loudness so busses sit apart for contrast.");
  const int count = std::clamp(layout.busCount, 1, kMaxBusses);
  for (int b = 0; b < count; ++b) {
    Bus& bus = layout.busses[b];
    ImGui::PushID(b);
    const std::string title = (bus.name.empty() ? format("Bus %d", b + 1) : bus.name) + "###bus";
    if (ImGui::TreeNodeEx(title.c_str(), ImGuiTreeNodeFlags_DefaultOpen)) {
      fieldLabel("Name", column(app));
      editText(app, "##name", bus.name, cap::kBusName);
      fieldLabel("Target loudness (LUFS)", column(app));
      if (editFloat(app, "##lufs", bus.targetLUFS, -60.0f, -6.0f, "%.0f LUFS")) rebalanceBusses(app);
      ImGui::TextDisabled("Delivery tracks");
      for (size_t k = 0; k < bus.slots.size(); ++k) {
        slotRow(app, bus, k);
        if (k >= bus.slots.size()) break;
      }
      if (bus.slots.size() < size_t(kMaxBusSlots) && ImGui::SmallButton("Add tracks") &&
          acceptEdit(app, "Add tracks"))
        bus.slots.push_back(BusSlot{1, 1, {}});
      ImGui::TreePop();
    }
    ImGui::PopID();
  }
}

}  // namespace

void drawProjectPanel(AppState& app) {
  settingsSection(app);
  scaleSection(app);
  busSection(app);
}

}  // namespace vn
