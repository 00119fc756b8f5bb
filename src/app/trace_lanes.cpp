// The picture read on the timeline: the composite, motion and brightness of every
// analysed frame as lanes (drawn while the read runs), the proposed events at their
// slice values, and the slice line the user drags to choose which are kept.
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/picture_panels.h"
#include "app/picture_state.h"
#include "app/theme.h"
#include "picture/trace_session.h"
#include "platform/log.h"

namespace vn {
namespace {

constexpr ImU32 kCompositeFill = IM_COL32(64, 170, 200, 70);
constexpr ImU32 kCompositeLine = IM_COL32(64, 170, 200, 230);
constexpr ImU32 kMotionLine = IM_COL32(140, 200, 120, 170);
constexpr ImU32 kBrightnessLine = IM_COL32(236, 214, 150, 140);
constexpr ImU32 kSliceLine = IM_COL32(255, 120, 200, 230);

int completeRows(const TraceAnalyzer& a) {
  return std::min(a.framesProcessed.load(std::memory_order_acquire), static_cast<int>(a.frames.size()));
}

// One column as a line over the visible frames, value 0 at the bottom and `top` at the top.
template <typename Value>
void drawColumn(ImDrawList* dl, const AppState& app, const TraceAnalyzer& a, int rows, float offset, ImVec2 pos,
                float width, float height, float top, Value value, ImU32 line, ImU32 fill) {
  std::vector<ImVec2> points;
  const float bottom = pos.y + height;
  for (int i = 0; i < rows; ++i) {
    const float x = pos.x + timeToX(app.timeline, offset + a.frames[i].time);
    if (x < pos.x - 40 || x > pos.x + width + 40) continue;
    const float v = std::clamp(value(a.frames[i]) / top, 0.0f, 1.0f);
    points.emplace_back(x, bottom - v * (height - 2));
  }
  if (points.size() < 2) return;
  if (fill)
    for (size_t k = 1; k < points.size(); ++k)
      dl->AddQuadFilled(ImVec2(points[k - 1].x, bottom), points[k - 1], points[k], ImVec2(points[k].x, bottom), fill);
  dl->AddPolyline(points.data(), static_cast<int>(points.size()), line, 0, 1.2f);
}

void drawEvents(ImDrawList* dl, const AppState& app, const TraceAnalyzer& a, float offset, ImVec2 pos, float width,
                float height) {
  const TraceSummary& s = app.session.traceSummary;
  for (const TraceEvent& e : a.events) {
    const float x = pos.x + timeToX(app.timeline, offset + e.time);
    if (x < pos.x || x > pos.x + width) continue;
    const bool kept = e.accepted && e.type != kTraceFill && KeepBySlice(e, s.opticalDetail, s.traceKeepAbove);
    const float y = pos.y + height - std::clamp(e.sliceValue, 0.0f, 1.0f) * (height - 2);
    const ImU32 color = !e.accepted ? colors::kTextDim : kept ? colors::kText : IM_COL32(150, 156, 168, 120);
    dl->AddLine(ImVec2(x, y), ImVec2(x, pos.y + height), color, 1.0f);
    if (e.type == kTraceSpot) dl->AddCircleFilled(ImVec2(x, y), kept ? 3.5f : 2.5f, color);
    else dl->AddRectFilled(ImVec2(x - 3, y - 3), ImVec2(x + 3, y + 3), color, 1.0f);
  }
}

// The line itself: dragging moves the level, clicking the caption flips the side.
void sliceLine(AppState& app, const TraceAnalyzer& a, ImVec2 pos, float width, float height) {
  TraceSummary& s = app.session.traceSummary;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const float y = pos.y + height - std::clamp(s.opticalDetail, 0.0f, 1.0f) * (height - 2);
  const std::string caption = format("Keeping %s the line - %d events. Click to flip.", s.traceKeepAbove ? "above" : "below",
                                     CountKeptEvents(a, s.opticalDetail, s.traceKeepAbove));
  const ImVec2 captionSize = ImGui::CalcTextSize(caption.c_str());
  const ImVec2 captionAt(pos.x + 6, pos.y + 2);
  ImGui::SetCursorScreenPos(captionAt);
  if (ImGui::InvisibleButton("##slice_flip", captionSize) && beginEdit(app, "Flip slice")) s.traceKeepAbove = !s.traceKeepAbove;
  const bool captionHovered = ImGui::IsItemHovered();

  const float grab = 5.0f * app.uiScale;
  ImGui::SetCursorScreenPos(ImVec2(pos.x, y - grab));
  ImGui::InvisibleButton("##slice_line", ImVec2(width, 2 * grab));
  const bool hovered = ImGui::IsItemHovered(), active = ImGui::IsItemActive();
  // One undo step per drag; while the Session is busy the line stays put.
  bool& editing = app.picture.sliceDragEdits;
  if (ImGui::IsItemActivated()) editing = beginEdit(app, "Move slice line");
  if (active && editing) {
    const float level = (pos.y + height - ImGui::GetIO().MousePos.y) / (height - 2);
    s.opticalDetail = std::clamp(level, 0.0f, 1.0f);
  }
  if (hovered || active) {
    ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeNS);
    ImGui::SetTooltip("Slice level - drag to move (no snapping)");
  }
  const float thickness = hovered || active ? 2.5f : 1.5f;
  dl->AddLine(ImVec2(pos.x, y), ImVec2(pos.x + width, y), kSliceLine, thickness);
  // The kept side is shaded.
  const ImVec2 a0(pos.x, s.traceKeepAbove ? pos.y : y), a1(pos.x + width, s.traceKeepAbove ? y : pos.y + height);
  dl->AddRectFilled(a0, a1, IM_COL32(255, 120, 200, 18));
  dl->AddText(captionAt, captionHovered ? colors::kText : colors::kTextDim, caption.c_str());
}

}  // namespace

float traceStripHeight(const AppState& app) {
  const PictureState& p = app.picture;
  const bool rows = completeRows(p.analyzer) > 0;
  return rows && (p.haveRead || p.analyzer.running.load()) ? std::round(72.0f * app.uiScale) : 0.0f;
}

void drawTraceStrip(AppState& app, ImVec2 pos, float width, float height) {
  const PictureState& p = app.picture;
  const TraceAnalyzer& a = p.analyzer;
  const int rows = completeRows(a);
  if (rows < 1 || height <= 4.0f) return;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(pos, ImVec2(pos.x + width, pos.y + height), IM_COL32(20, 22, 26, 255));
  dl->PushClipRect(pos, ImVec2(pos.x + width, pos.y + height), true);
  const float offset = app.session.videoStartTime;
  // While the read runs there is no maximum yet: the largest composite so far scales the lane.
  float top = a.maxComposite;
  if (!(top > 0.0f)) {
    top = 0.001f;
    for (int i = 0; i < rows; ++i) top = std::max(top, a.frames[i].composite);
  }
  drawColumn(dl, app, a, rows, offset, pos, width, height, 1.0f, [](const FrameMeasures& f) { return f.brightness; },
             kBrightnessLine, 0);
  float motionTop = 0.001f;
  for (int i = 0; i < rows; ++i) motionTop = std::max(motionTop, a.frames[i].motion);
  drawColumn(dl, app, a, rows, offset, pos, width, height, motionTop, [](const FrameMeasures& f) { return f.motion; },
             kMotionLine, 0);
  drawColumn(dl, app, a, rows, offset, pos, width, height, top, [](const FrameMeasures& f) { return f.composite; },
             kCompositeLine, kCompositeFill);
  const bool finished = a.ready.load(std::memory_order_acquire) && !a.running.load();
  if (finished) {
    drawEvents(dl, app, a, offset, pos, width, height);
    sliceLine(app, a, pos, width, height);
  }
  dl->PopClipRect();
}

}  // namespace vn
