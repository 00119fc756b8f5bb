#pragma once
// The look of the interface: a dark theme with one accent, and the colours that mean
// something on the timeline (one per event shape).
#include <imgui.h>

#include "core/session.h"

namespace vn {

namespace colors {
constexpr ImU32 kAccent = IM_COL32(64, 170, 200, 255);
constexpr ImU32 kPlayhead = IM_COL32(255, 92, 72, 255);
constexpr ImU32 kWorkArea = IM_COL32(64, 170, 200, 40);
constexpr ImU32 kWorkAreaEdge = IM_COL32(64, 170, 200, 200);
constexpr ImU32 kTrackBackground = IM_COL32(24, 26, 30, 255);
constexpr ImU32 kRowBackground = IM_COL32(30, 33, 38, 255);
constexpr ImU32 kRuler = IM_COL32(38, 41, 47, 255);
constexpr ImU32 kGrid = IM_COL32(255, 255, 255, 14);
constexpr ImU32 kText = IM_COL32(226, 229, 235, 255);
constexpr ImU32 kTextDim = IM_COL32(150, 156, 168, 255);
constexpr ImU32 kWeightCurve = IM_COL32(255, 214, 120, 230);
constexpr ImU32 kIntensityCurve = IM_COL32(255, 255, 255, 200);
constexpr ImU32 kMissing = IM_COL32(230, 80, 70, 255);
constexpr ImU32 kPlaceholder = IM_COL32(200, 160, 60, 255);
constexpr ImU32 kSelection = IM_COL32(255, 255, 255, 235);
}  // namespace colors

// The colour of an event shape; the layers of an event use a darker shade of it.
ImU32 shapeColor(ShapeType shape, float brightness = 1.0f);

void applyDarkTheme(float uiScale);

}  // namespace vn
