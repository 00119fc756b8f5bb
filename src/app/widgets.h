#pragma once
// Editing widgets bound to Session values: each takes an undo step at the first change
// of an interaction (a whole slider drag is one step) and marks the Session dirty.
#include <imgui.h>

#include <string>

#include "core/curve.h"

namespace vn {

struct AppState;

// Call right after a widget that changed a copy of a Session value: true when the value
// may be stored (the undo step is taken on the first change of the interaction).
bool acceptEdit(AppState& app, const char* label);
// Call right after such a widget every frame: the interaction ends when it is released.
void finishEdit();

bool editFloat(AppState& app, const char* label, float& value, float min, float max, const char* format = "%.2f");
bool editDrag(AppState& app, const char* label, float& value, float speed, float min, float max,
              const char* format = "%.2f");
bool editInt(AppState& app, const char* label, int& value, int min, int max, const char* format = "%d");
bool editBool(AppState& app, const char* label, bool& value);
// A linear gain shown in decibels (-60 dB and below is silence).
bool editGainDb(AppState& app, const char* label, float& gain, float maxGain = 1.0f);
bool editText(AppState& app, const char* label, std::string& value, size_t capacity);
// The curve drawn in a box; dragging paints it.
bool editCurve(AppState& app, const char* id, Curve& curve, ImVec2 size, ImU32 color);

// A bold caption with a thin rule under it.
void sectionTitle(const char* text);
// A dimmed label on the left of the next widget, widgets aligned in one column.
void fieldLabel(const char* text, float column);
std::string formatGainDb(float gain);

}  // namespace vn
