// The inspector: every setting of the selected event, its curves and its built layers.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/clip_actions.h"
#include "app/commands.h"
#include "app/fonts.h"
#include "app/icons.h"
#include "app/panel_draw.h"
#include "app/theme.h"
#include "app/widgets.h"
#include "core/event_edit.h"
#include "core/text_field.h"
#include "core/session_timecode.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr std::array<ShapeType, 6> kChoosableShapes{ShapeType::Spot,    ShapeType::Bloom, ShapeType::Contour,
                                                    ShapeType::Fill,    ShapeType::Clip,  ShapeType::Bed};

float labelColumn(const AppState& app) { return 112.0f * app.uiScale; }

void shapeCombo(AppState& app, Event& event) {
  fieldLabel("Shape", labelColumn(app));
  if (!ImGui::BeginCombo("##shape", shapeName(event.shape))) return;
  for (ShapeType shape : kChoosableShapes) {
    ImGui::PushStyleColor(ImGuiCol_Text, shapeColor(shape, 1.1f));
    const bool picked = ImGui::Selectable(shapeName(shape), shape == event.shape);
    ImGui::PopStyleColor();
    if (picked && shape != event.shape && acceptEdit(app, "Shape")) {
      setEventShape(event, shape);
    }
  }
  ImGui::EndCombo();
}

void timeFields(AppState& app, Event& event) {
  const Session& s = app.session;
  fieldLabel("Start", labelColumn(app));
  std::string tc = sessionTimecode(s.settings, event.time);
  if (ImGui::InputText("##start_tc", &tc, ImGuiInputTextFlags_EnterReturnsTrue)) {
    const std::optional<double> t = parseSessionTimecode(s.settings, tc);
    if (t && acceptEdit(app, "Start")) event.time = static_cast<float>(*t);
    else if (!t) setStatus(app, "Type a timecode as HH:MM:SS:FF");
  }
  fieldLabel("Start (s)", labelColumn(app));
  editDrag(app, "##start_s", event.time, 0.01f, 0.0f, 1e6f, "%.3f s");
  fieldLabel("Duration", labelColumn(app));
  editDrag(app, "##duration", event.duration, 0.01f, kShortestEvent, longestEventDuration(s.settings), "%.3f s");
}

void busCombo(AppState& app, Event& event) {
  const TrackLayout& layout = app.session.trackLayout;
  fieldLabel("Bus", labelColumn(app));
  auto busLabel = [&](int position) {
    const Bus& bus = layout.busses[std::clamp(position, 0, kMaxBusses - 1)];
    return bus.name.empty() ? format("Bus %d", position + 1) : bus.name;
  };
  const std::string current = event.groupOverride < 0 ? "Auto (by shape)" : busLabel(event.groupOverride);
  if (!ImGui::BeginCombo("##bus", current.c_str())) return;
  if (ImGui::Selectable("Auto (by shape)", event.groupOverride < 0) && acceptEdit(app, "Bus"))
    event.groupOverride = -1;
  for (int b = 0; b < std::clamp(layout.busCount, 1, kMaxBusses); ++b) {
    const std::string label = busLabel(b) + "##bus" + std::to_string(b);
    if (ImGui::Selectable(label.c_str(), event.groupOverride == b) && acceptEdit(app, "Bus")) event.groupOverride = b;
  }
  ImGui::EndCombo();
}

void flags(AppState& app, Event& event) {
  fieldLabel("", labelColumn(app));
  ImGui::BeginDisabled(isAlwaysLocked(event.shape));
  editBool(app, "Locked", event.locked);
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) {
    if (event.shape == ShapeType::Clip) ImGui::SetTooltip("Clip events are always locked");
    else if (event.shape == ShapeType::Bed) ImGui::SetTooltip("Bed events are always locked");
    else ImGui::SetTooltip("Click to lock (protect from rebuilding)");
  }
  ImGui::SameLine();
  editBool(app, "Hero", event.hero);
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("A hero event: delivered apart from the others");
  ImGui::SameLine();
  editBool(app, "Muted", event.muted);
}

void character(AppState& app, Event& event) {
  const float column = labelColumn(app);
  fieldLabel("Gain", column);
  editGainDb(app, "##gain", event.gain);
  fieldLabel("Spread", column);
  editFloat(app, "##spread", event.spread, 0.0f, 1.0f);
  fieldLabel("Weight centre", column);
  editFloat(app, "##weight_center", event.weightCenter, 0.0f, 1.0f);
  fieldLabel("Intensity scale", column);
  editFloat(app, "##intensity_scale", event.intensityScale, 0.0f, 2.0f);
  fieldLabel("Pitch variation", column);
  editFloat(app, "##pitch_variation", event.pitchVariation, 0.0f, 1.0f);
  busCombo(app, event);
}

void keywords(AppState& app, int index, const Event& event) {
  fieldLabel("Keywords", labelColumn(app));
  // The field edits a draft; the words reach the Session as one command when the
  // field is left or Enter is pressed.
  if (app.keywordDraftEvent != index || !app.keywordDraftActive) {
    app.keywordDraft = event.keywords;
    app.keywordDraftEvent = index;
  }
  const bool enter = ImGui::InputTextWithHint("##keywords", "search words: glass impact -metal", &app.keywordDraft,
                                              ImGuiInputTextFlags_EnterReturnsTrue);
  app.keywordDraftActive = ImGui::IsItemActive();
  if ((enter || ImGui::IsItemDeactivatedAfterEdit()) && app.keywordDraft != event.keywords)
    app.commands.post({CommandId::SetKeywords, app.keywordDraft, index});
}

void curves(AppState& app, Event& event) {
  sectionTitle("Curves");
  if (event.shape == ShapeType::Spot) {
    ImGui::TextDisabled("Draw mode not available for Spot");
    return;
  }
  const float width = ImGui::GetContentRegionAvail().x;
  const ImVec2 size(width, 64 * app.uiScale);
  ImGui::TextColored(ImColor(colors::kWeightCurve), "Weight");
  ImGui::SameLine(width - 40 * app.uiScale);
  if (ImGui::SmallButton("Flat##w") && acceptEdit(app, "Flat curve")) event.weight = flatCurve(0.5f);
  editCurve(app, "##weight_curve", event.weight, size, colors::kWeightCurve);
  ImGui::TextColored(ImColor(colors::kIntensityCurve), event.shape == ShapeType::Bed ? "VOLUME" : "Intensity");
  ImGui::SameLine(width - 40 * app.uiScale);
  if (ImGui::SmallButton("Flat##i") && acceptEdit(app, "Flat curve")) event.intensity = flatCurve(0.5f);
  editCurve(app, "##intensity_curve", event.intensity, size, colors::kIntensityCurve);
}

// A Clip's file and a Bed's layer files.
void ownFiles(AppState& app, int index, Event& event) {
  if (event.shape == ShapeType::Clip) {
    sectionTitle("Clip - one audio file");
    ImGui::TextUnformatted(event.pinnedFile.empty() ? "(no sound)" : fileNameOf(event.pinnedFile).c_str());
    if (ImGui::IsItemHovered() && !event.pinnedFile.empty()) ImGui::SetTooltip("%s", event.pinnedFile.c_str());
    if (!event.bounceSource.empty()) {
      ImGui::TextDisabled("Bounced from %zu event%s", event.bounceSource.size(), event.bounceSource.size() == 1 ? "" : "s");
      if (ImGui::Button("Revert Bounce")) app.commands.post({CommandId::RevertBounce, {}, index});
      if (ImGui::IsItemHovered()) ImGui::SetTooltip("Put the bounced events back with their layers, in place of this Clip");
    }
    return;
  }
  if (event.shape != ShapeType::Bed) return;
  sectionTitle("Bed - fixed background layers");
  if (event.pinnedFiles.empty()) ImGui::TextDisabled("Drop sound files on the Bed to add its layers.");
  for (size_t k = 0; k < event.pinnedFiles.size(); ++k) {
    ImGui::PushID(static_cast<int>(k));
    bool loop = k < event.bedLayerLoop.size() ? event.bedLayerLoop[k] : true;
    if (editBool(app, "##loop", loop)) {
      if (event.bedLayerLoop.size() <= k) event.bedLayerLoop.resize(k + 1, true);
      event.bedLayerLoop[k] = loop;
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Loop this file end-to-end. Off: shuffle.");
    ImGui::SameLine();
    ImGui::TextUnformatted(fileNameOf(event.pinnedFiles[k]).c_str());
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", event.pinnedFiles[k].c_str());
    ImGui::SameLine(ImGui::GetContentRegionMax().x - 20 * app.uiScale);
    const bool remove = ImGui::SmallButton("x");
    ImGui::PopID();
    if (remove) {
      removeBedFile(app, index, k);
      break;
    }
  }
}

void layers(AppState& app, int index) {
  const Session& s = app.session;
  if (sessionBusy(app)) {
    sectionTitle("Layers");
    ImGui::TextDisabled("Building…");
    return;
  }
  std::vector<int> mine;
  for (int i = 0; i < static_cast<int>(s.results.size()); ++i)
    if (s.results[i].eventIdx == index) mine.push_back(i);
  sectionTitle(format("Layers (%zu)", mine.size()).c_str());
  if (commandAvailable(app, CommandId::BuildEvent)) {
    if (ImGui::Button(withIcon(icon::kBuild, "Rebuild this event").c_str()))
      app.commands.post({CommandId::BuildEvent, {}, index});
  }
  if (mine.empty()) {
    ImGui::TextDisabled("Not built yet.");
    return;
  }
  const std::unordered_set<std::string> missing(s.missingFiles.begin(), s.missingFiles.end());
  if (!ImGui::BeginTable("##layers", 3, ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingStretchProp)) return;
  ImGui::TableSetupColumn("Sound", ImGuiTableColumnFlags_WidthStretch, 3.0f);
  ImGui::TableSetupColumn("Start", ImGuiTableColumnFlags_WidthStretch, 1.0f);
  ImGui::TableSetupColumn("Gain", ImGuiTableColumnFlags_WidthStretch, 1.0f);
  ImGui::TableHeadersRow();
  for (int li : mine) {
    const Layer& layer = s.results[li];
    const bool isMissing = missing.count(layer.filepath) > 0;
    std::string name = layer.name.empty() ? fileNameOf(layer.filepath) : layer.name;
    if (name.empty()) name = "(no sound)";
    if (isMissing) name = "[Missing] " + name;
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    if (isMissing) ImGui::TextColored(ImColor(colors::kMissing), "%s", name.c_str());
    else if (layer.placeholder) ImGui::TextColored(ImColor(colors::kPlaceholder), "%s", name.c_str());
    else ImGui::TextUnformatted(name.c_str());
    if (ImGui::IsItemHovered()) {
      if (isMissing) ImGui::SetTooltip("Missing - relink from the Library tab\n%s", layer.filepath.c_str());
      else if (!layer.filepath.empty()) ImGui::SetTooltip("%s", layer.filepath.c_str());
    }
    ImGui::TableNextColumn();
    ImGui::TextDisabled("%.2f s", layer.startTime + layer.deconOffset);
    ImGui::TableNextColumn();
    ImGui::TextDisabled("%s", formatGainDb(layer.layerGain * layer.userVolume).c_str());
  }
  ImGui::EndTable();
  for (int li : mine)
    if (missing.count(s.results[li].filepath)) {
      ImGui::TextColored(ImColor(colors::kMissing), "Missing - relink from the Library tab");
      break;
    }
}

void multipleSelected(AppState& app) {
  ImGui::PushFont(interfaceFonts().bold);
  ImGui::Text("%zu events selected", app.selection.events.size());
  ImGui::PopFont();
  ImGui::Spacing();
  if (ImGui::Button(withIcon(icon::kLock, "Lock / Unlock").c_str())) app.commands.post(CommandId::LockToggle);
  ImGui::SameLine();
  if (ImGui::Button(withIcon(icon::kMute, "Mute / Unmute").c_str())) app.commands.post(CommandId::MuteToggle);
  if (ImGui::Button(withIcon(icon::kLink, "Group").c_str())) app.commands.post(CommandId::Group);
  ImGui::SameLine();
  if (ImGui::Button("Ungroup")) app.commands.post(CommandId::Ungroup);
  ImGui::SameLine();
  if (ImGui::Button(withIcon(icon::kTrash, "Delete").c_str())) app.commands.post(CommandId::Delete);
}

}  // namespace

void drawInspectorPanel(AppState& app) {
  ImGui::PushFont(interfaceFonts().bold);
  ImGui::TextUnformatted("Inspector");
  ImGui::PopFont();
  ImGui::Separator();
  const int index = app.selection.primary;
  if (app.selection.events.size() > 1) {
    multipleSelected(app);
    return;
  }
  if (index < 0 || index >= static_cast<int>(app.session.events.size())) {
    ImGui::TextDisabled("Select an event on the timeline.");
    return;
  }
  Event& event = app.session.events[index];
  ImGui::PushID(index);
  const ImVec2 p = ImGui::GetCursorScreenPos();
  const float h = ImGui::GetTextLineHeight();
  ImGui::GetWindowDrawList()->AddRectFilled(p, ImVec2(p.x + 4 * app.uiScale, p.y + h), shapeColor(event.shape), 2.0f);
  ImGui::SetCursorScreenPos(ImVec2(p.x + 10 * app.uiScale, p.y));
  ImGui::PushFont(interfaceFonts().medium);
  ImGui::Text("%s  -  event %d of %zu", shapeName(event.shape), index + 1, app.session.events.size());
  ImGui::PopFont();
  if (!event.folder.empty()) ImGui::TextDisabled("Group: %s", event.folder.c_str());
  ImGui::Spacing();
  shapeCombo(app, event);
  keywords(app, index, event);
  timeFields(app, event);
  flags(app, event);
  sectionTitle("Character");
  character(app, event);
  curves(app, event);
  ownFiles(app, index, event);
  layers(app, index);
  ImGui::PopID();
}

}  // namespace vn
