// The Project panel: the project's settings, its musical scale and its busses.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <array>

#include "app/app_state.h"
#include "app/delivery_actions.h"
#include "app/panel_draw.h"
#include "app/render_actions.h"
#include "app/widgets.h"
#include "builder/pitch_scale.h"
#include "core/session_timecode.h"
#include "core/text_field.h"
#include "core/timecode.h"
#include "export/delivery_report.h"
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

void deliveryGroupField(AppState& app, Bus& bus) {
  std::string group = bus.deliveryGroup;
  ImGui::SetNextItemWidth(-1.0f);
  if (ImGui::InputTextWithHint("##group", "Optional group name", &group) && acceptEdit(app, "Delivery group"))
    bus.deliveryGroup = cutText(group, cap::kBusName);
  finishEdit();
  if (ImGui::IsItemHovered()) {
    const std::string shown = bus.deliveryGroup.empty() ? std::string("Group") : bus.deliveryGroup;
    ImGui::SetTooltip("Optional group name - tracks deliver as\n\"%s %s 1\", \"%s %s 2\"\u2026", shown.c_str(),
                      bus.name.c_str(), shown.c_str(), bus.name.c_str());
  }
}

// What the bus declares and what the fit makes of it; a click previews the whole delivery.
void declarationSummary(AppState& app, const Bus& bus, const BusFit& fit) {
  if (bus.slots.empty()) {
    ImGui::TextDisabled("Auto - expands to fit every layer");
    return;
  }
  const std::string summary = busPanelSummary(bus, fit);
  if (fit.notFitting > 0) ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(235, 120, 90, 255));
  if (ImGui::Selectable(summary.c_str())) app.commands.post(CommandId::ShowDelivery);
  if (fit.notFitting > 0) ImGui::PopStyleColor();
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s%s", summary.c_str(), busTooltipTail(fit).c_str());
}

void layoutTemplatesSection(AppState& app) {
  sectionTitle("Layout templates");
  BusTemplateStore& store = busTemplates(app);
  DeliveryPreview& p = app.deliveryPreview;
  ImGui::SetNextItemWidth(-150 * app.uiScale);
  ImGui::InputTextWithHint("##template_name", "template name", &p.templateName);
  ImGui::SameLine();
  if (ImGui::Button("Save busses as template"))
    app.commands.post({CommandId::SaveBusLayout, p.templateName, -1});
  if (store.templates.empty()) {
    ImGui::TextDisabled("No templates yet");
    return;
  }
  for (size_t i = 0; i < store.templates.size(); ++i) {
    const BusTemplate& t = store.templates[i];
    ImGui::PushID(static_cast<int>(i));
    const bool isDefault = t.name == store.defaultLayout;
    if (ImGui::RadioButton("##default", isDefault))
      app.commands.post({CommandId::SetDefaultBusLayout, isDefault ? std::string() : t.name, -1});
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("New sessions start with this layout");
    ImGui::SameLine();
    if (ImGui::SmallButton("Apply")) app.commands.post({CommandId::ApplyBusLayout, t.name, -1});
    ImGui::SameLine();
    ImGui::Text("%s  (%d bus%s)", t.name.c_str(), t.busCount, t.busCount == 1 ? "" : "ses");
    ImGui::PopID();
  }
}

void busSection(AppState& app) {
  Session& s = app.session;
  TrackLayout& layout = s.trackLayout;
  sectionTitle("Busses");
  if (editBool(app, "Normalize##s", s.settings.normalizeLUFS)) rebalanceBusses(app);
  if (ImGui::IsItemHovered())
    ImGui::SetTooltip("Balance each bus to its target loudness so busses sit apart for contrast.");
  const int count = std::clamp(layout.busCount, 1, kMaxBusses);
  const DeliveryResult& fit = refreshDeliveryPreview(app);
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
      deliveryGroupField(app, bus);
      declarationSummary(app, bus, fit.busses.size() > size_t(b) ? fit.busses[b] : BusFit{});
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
  layoutTemplatesSection(app);
}

}  // namespace vn
