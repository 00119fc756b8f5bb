#include "app/widgets.h"

#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/fonts.h"
#include "core/event_edit.h"
#include "core/session_edit.h"
#include "core/text_field.h"
#include "platform/log.h"

namespace vn {
namespace {

constexpr float kSilenceDb = -60.0f;

// The interaction whose undo step has been taken.
ImGuiID gEditing = 0;

}  // namespace

void finishEdit() {
  if (ImGui::IsItemDeactivated() && gEditing == ImGui::GetItemID()) gEditing = 0;
}

bool acceptEdit(AppState& app, const char* label) {
  const ImGuiID id = ImGui::GetItemID();
  if (id != 0 && id == gEditing) {
    if (sessionBusy(app)) return false;
    markDirty(app.session);
    return true;
  }
  if (!beginEdit(app, label)) return false;
  // A widget that is still held keeps its one undo step for the rest of the drag.
  gEditing = ImGui::IsItemActive() ? id : 0;
  return true;
}

namespace {

// Runs the widget on a copy of the value and stores the copy once the edit is accepted.
template <typename T, typename Widget>
bool editCopy(AppState& app, const char* label, T& value, Widget widget) {
  T copy = value;
  const bool changed = widget(&copy) && acceptEdit(app, label);
  if (changed) value = copy;
  finishEdit();
  return changed;
}

}  // namespace

bool editFloat(AppState& app, const char* label, float& value, float min, float max, const char* format) {
  return editCopy(app, label, value, [&](float* v) { return ImGui::SliderFloat(label, v, min, max, format); });
}

bool editDrag(AppState& app, const char* label, float& value, float speed, float min, float max, const char* format) {
  return editCopy(app, label, value, [&](float* v) {
    return ImGui::DragFloat(label, v, speed, min, max, format, ImGuiSliderFlags_AlwaysClamp);
  });
}

bool editInt(AppState& app, const char* label, int& value, int min, int max, const char* format) {
  return editCopy(app, label, value, [&](int* v) { return ImGui::SliderInt(label, v, min, max, format); });
}

bool editBool(AppState& app, const char* label, bool& value) {
  return editCopy(app, label, value, [&](bool* v) { return ImGui::Checkbox(label, v); });
}

std::string formatGainDb(float gain) {
  if (!(gain > 0.0f)) return "-inf dB";
  return format("%+.1f dB", 20.0f * std::log10(gain));
}

bool editGainDb(AppState& app, const char* label, float& gain, float maxGain) {
  const float maxDb = 20.0f * std::log10(std::max(maxGain, 1e-3f));
  float db = gain > 0.0f ? std::max(kSilenceDb, 20.0f * std::log10(gain)) : kSilenceDb;
  const std::string shown = db <= kSilenceDb ? "-inf dB" : format("%+.1f dB", db);
  bool changed = ImGui::SliderFloat(label, &db, kSilenceDb, maxDb, shown.c_str()) && acceptEdit(app, label);
  if (changed) gain = db <= kSilenceDb ? 0.0f : std::min(maxGain, std::pow(10.0f, db / 20.0f));
  finishEdit();
  return changed;
}

bool editText(AppState& app, const char* label, std::string& value, size_t capacity) {
  return editCopy(app, label, value, [&](std::string* v) {
    if (!ImGui::InputText(label, v)) return false;
    *v = cutText(*v, capacity);
    return true;
  });
}

bool editCurve(AppState& app, const char* id, Curve& curve, ImVec2 size, ImU32 color) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const ImVec2 p0 = ImGui::GetCursorScreenPos();
  const ImVec2 p1(p0.x + size.x, p0.y + size.y);
  dl->AddRectFilled(p0, p1, IM_COL32(22, 24, 28, 255), 3.0f);
  for (int i = 1; i < 4; ++i) {
    const float y = p0.y + size.y * i / 4.0f;
    dl->AddLine(ImVec2(p0.x, y), ImVec2(p1.x, y), IM_COL32(255, 255, 255, 16));
  }
  ImGui::InvisibleButton(id, size);
  bool changed = false;
  static ImVec2 last(-1, -1);
  if (ImGui::IsItemActive()) {
    const ImVec2 m = ImGui::GetIO().MousePos;
    const float pos = (m.x - p0.x) / size.x, value = 1.0f - (m.y - p0.y) / size.y;
    if (ImGui::IsItemActivated()) last = ImVec2(pos, value);
    if (acceptEdit(app, "Draw curve")) {
      paintCurve(curve, last.x, last.y, pos, value);
      changed = true;
    }
    last = ImVec2(std::clamp(pos, 0.0f, 1.0f), std::clamp(value, 0.0f, 1.0f));
  }
  finishEdit();
  ImVec2 points[kCurvePoints];
  for (int i = 0; i < kCurvePoints; ++i)
    points[i] = ImVec2(p0.x + size.x * i / float(kCurvePoints - 1),
                       p1.y - std::clamp(curve[i], 0.0f, 1.0f) * (size.y - 2) - 1);
  dl->AddPolyline(points, kCurvePoints, color, 0, 1.8f);
  dl->AddRect(p0, p1, ImGui::IsItemHovered() ? IM_COL32(120, 130, 150, 255) : IM_COL32(60, 66, 76, 255), 3.0f);
  return changed;
}

void sectionTitle(const char* text) {
  ImGui::Spacing();
  ImGui::PushFont(interfaceFonts().bold);
  ImGui::TextUnformatted(text);
  ImGui::PopFont();
  ImGui::Separator();
}

void fieldLabel(const char* text, float column) {
  ImGui::AlignTextToFramePadding();
  ImGui::TextDisabled("%s", text);
  ImGui::SameLine(column);
  ImGui::SetNextItemWidth(-1);
}

}  // namespace vn
