// The timeline: a timecode ruler with the work area and the scenes, the events as
// blocks coloured by shape with their curves, each event's built layers beneath it as
// lanes (with waveforms once rendered), and the playhead. Mouse: click to select
// (Ctrl or Shift adds), drag a block to move it, drag its edges to resize, drag on empty
// ground to draw a new event, Shift+drag on empty ground to select a range of events,
// Ctrl+wheel to zoom, Shift+wheel to scroll in time.
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "app/app_state.h"
#include "app/clip_actions.h"
#include "app/edit_actions.h"
#include "app/engines.h"
#include "app/fonts.h"
#include "app/icons.h"
#include "app/panel_draw.h"
#include "app/picture_panels.h"
#include "app/theme.h"
#include "app/timeline_edit.h"
#include "app/timeline_layout.h"
#include "app/transport_actions.h"
#include "app/waveforms.h"
#include "core/recipe_io.h"
#include "core/session_edit.h"
#include "core/timecode.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

struct Geometry {
  ImVec2 origin;      // top-left of the track area on screen (row coordinate 0)
  float width;        // track area width
  float visibleTop;   // row coordinate at the top of the visible tracks
  float visibleBottom;
  TimelineMetrics metrics;
};

std::string eventTitle(const Event& event) {
  std::string title = shapeName(event.shape);
  if (!event.keywords.empty()) title += "  " + event.keywords;
  return title;
}

void drawRuler(AppState& app, ImDrawList* dl, ImVec2 pos, float width, float height) {
  const Session& s = app.session;
  const TimelineView& view = app.timeline;
  dl->AddRectFilled(pos, ImVec2(pos.x + width, pos.y + height), colors::kRuler);
  const double fps = s.settings.fps > 0 ? s.settings.fps : 24.0;
  const RulerSpacing spacing = rulerSpacing(view.pixelsPerSecond, fps, 96.0f * app.uiScale);
  const double t0 = std::max(0.0, view.leftTime), t1 = xToTime(view, width);
  // Work area band.
  if (s.workAreaIn >= 0 || s.workAreaOut >= 0) {
    const float a = timeToX(view, std::max(0.0f, s.workAreaIn)), b = s.workAreaOut > 0 ? timeToX(view, s.workAreaOut) : width;
    dl->AddRectFilled(ImVec2(pos.x + std::max(a, 0.0f), pos.y + height - 6), ImVec2(pos.x + std::min(b, width), pos.y + height),
                      colors::kWorkAreaEdge);
  }
  ImFont* font = ImGui::GetFont();
  const float fontSize = ImGui::GetFontSize() * 0.85f;
  for (double t = std::floor(t0 / spacing.minorSeconds) * spacing.minorSeconds; t <= t1; t += spacing.minorSeconds) {
    const float x = pos.x + timeToX(view, t);
    const double phase = std::fmod(t + 1e-9, spacing.majorSeconds);
    const bool major = phase < 1e-6 || spacing.majorSeconds - phase < 1e-6;
    dl->AddLine(ImVec2(x, pos.y + height - (major ? 12 : 5)), ImVec2(x, pos.y + height), colors::kTextDim);
    if (major) {
      const std::string tc = formatTimecode(t + s.settings.startTC, fps);
      dl->AddText(font, fontSize, ImVec2(x + 4, pos.y + 3), colors::kTextDim, tc.c_str());
    }
  }
}

void drawScenes(const AppState& app, ImDrawList* dl, ImVec2 pos, float width, float height) {
  const TimelineView& view = app.timeline;
  for (const Scene& scene : app.session.scenes) {
    const float a = std::max(0.0f, timeToX(view, scene.inTime)), b = std::min(width, timeToX(view, scene.outTime));
    if (b <= a) continue;
    const ImVec2 p0(pos.x + a, pos.y), p1(pos.x + b, pos.y + height);
    dl->AddRectFilled(p0, p1, IM_COL32(90, 100, 120, 90), 2.0f);
    dl->AddRect(p0, p1, IM_COL32(120, 132, 156, 160), 2.0f);
    dl->PushClipRect(p0, p1, true);
    dl->AddText(ImVec2(p0.x + 5, p0.y + 1), colors::kText, scene.name.c_str());
    dl->PopClipRect();
  }
}

void drawGrid(const AppState& app, ImDrawList* dl, const Geometry& g) {
  const double fps = app.session.settings.fps > 0 ? app.session.settings.fps : 24.0;
  const RulerSpacing spacing = rulerSpacing(app.timeline.pixelsPerSecond, fps, 96.0f * app.uiScale);
  const double t0 = std::max(0.0, app.timeline.leftTime), t1 = xToTime(app.timeline, g.width);
  for (double t = std::floor(t0 / spacing.majorSeconds) * spacing.majorSeconds; t <= t1; t += spacing.majorSeconds) {
    const float x = g.origin.x + timeToX(app.timeline, t);
    dl->AddLine(ImVec2(x, g.origin.y + g.visibleTop), ImVec2(x, g.origin.y + g.visibleBottom), colors::kGrid);
  }
  const Session& s = app.session;
  if (s.workAreaIn >= 0 && s.workAreaOut > s.workAreaIn) {
    const float a = g.origin.x + timeToX(app.timeline, s.workAreaIn);
    const float b = g.origin.x + timeToX(app.timeline, s.workAreaOut);
    dl->AddRectFilled(ImVec2(a, g.origin.y + g.visibleTop), ImVec2(b, g.origin.y + g.visibleBottom), colors::kWorkArea);
  }
  // The end of the project.
  const float end = g.origin.x + timeToX(app.timeline, s.settings.totalDuration);
  if (end < g.origin.x + g.width)
    dl->AddRectFilled(ImVec2(end, g.origin.y + g.visibleTop), ImVec2(g.origin.x + g.width, g.origin.y + g.visibleBottom),
                      IM_COL32(0, 0, 0, 70));
}

void drawCurve(ImDrawList* dl, const Curve& curve, ImVec2 p0, ImVec2 p1, ImU32 color, float thickness) {
  const float w = p1.x - p0.x, h = p1.y - p0.y;
  if (w < 3.0f) return;
  const int steps = std::clamp(static_cast<int>(w / 3.0f), 2, kCurvePoints);
  ImVec2 points[kCurvePoints];
  for (int i = 0; i < steps; ++i) {
    const float pos = float(i) / float(steps - 1);
    const float v = std::clamp(curve[std::min(kCurvePoints - 1, int(std::lround(pos * (kCurvePoints - 1))))], 0.0f, 1.0f);
    points[i] = ImVec2(p0.x + pos * w, p1.y - v * h);
  }
  dl->AddPolyline(points, steps, color, 0, thickness);
}

// visibleLeft: the timeline's left edge, so that a block scrolled partly out of view
// keeps its name in sight.
void drawEventBlock(const AppState& app, ImDrawList* dl, const Event& event, int index, ImVec2 p0, ImVec2 p1,
                    float visibleLeft) {
  const bool selected = app.selection.events.count(index) > 0;
  const ImU32 fill = shapeColor(event.shape, event.muted ? 0.45f : 0.85f);
  dl->AddRectFilled(p0, p1, fill, 4.0f);
  dl->AddRectFilled(p0, ImVec2(p1.x, p0.y + 3), shapeColor(event.shape, 1.15f), 4.0f, ImDrawFlags_RoundCornersTop);
  const float inner = 4.0f;
  if (event.shape != ShapeType::Spot) {
    drawCurve(dl, event.weight, ImVec2(p0.x + 1, p0.y + 16), ImVec2(p1.x - 1, p1.y - 3), colors::kWeightCurve, 1.5f);
    drawCurve(dl, event.intensity, ImVec2(p0.x + 1, p0.y + 16), ImVec2(p1.x - 1, p1.y - 3), colors::kIntensityCurve, 1.2f);
  } else {
    // A Spot is a moment: mark its sync point.
    const float x = p0.x + std::clamp(event.syncOffset / std::max(event.duration, 0.01f), 0.0f, 1.0f) * (p1.x - p0.x);
    dl->AddLine(ImVec2(x, p0.y + 4), ImVec2(x, p1.y - 2), IM_COL32(255, 255, 255, 140), 1.0f);
  }
  const float labelX = std::max(p0.x, visibleLeft) + inner;
  dl->PushClipRect(ImVec2(labelX, p0.y), ImVec2(p1.x - inner, p1.y), true);
  std::string label;
  if (event.locked) label += withIcon(icon::kLock, "");
  if (event.muted) label += withIcon(icon::kMute, "");
  if (event.hero) label += withIcon(icon::kHero, "");
  label += eventTitle(event);
  if (!event.folder.empty()) label += "   [" + event.folder + "]";
  dl->AddText(interfaceFonts().medium, ImGui::GetFontSize(), ImVec2(labelX, p0.y + 3), IM_COL32(18, 20, 24, 255),
              label.c_str());
  dl->PopClipRect();
  if (selected) dl->AddRect(ImVec2(p0.x - 1, p0.y - 1), ImVec2(p1.x + 1, p1.y + 1), colors::kSelection, 4.0f, 0, 2.0f);
}

void drawWaveform(ImDrawList* dl, const BlockWaveform& wave, float a, float b, float y0, float y1, float clipLeft,
                  float clipRight, ImU32 color) {
  if (b - a < 1.0f) return;
  // Each lane shows its layer's shape at full height: quiet sounds are lifted (up to
  // 18 dB) so that their envelope reads at a glance.
  float loudest = 0.0f;
  for (float p : wave) loudest = std::max(loudest, p);
  const float lift = loudest > 1e-5f ? std::min(8.0f, 1.0f / loudest) : 1.0f;
  const float mid = 0.5f * (y0 + y1), half = 0.5f * (y1 - y0) - 1.0f;
  const float from = std::max(a, clipLeft), to = std::min(b, clipRight);
  for (float x = std::floor(from); x < to; x += 1.0f) {
    const int bin = std::clamp(static_cast<int>((x - a) / (b - a) * kWaveformBins), 0, kWaveformBins - 1);
    const float h = std::max(0.5f, std::min(1.0f, wave[bin] * lift) * half);
    dl->AddRectFilled(ImVec2(x, mid - h), ImVec2(x + 1.0f, mid + h), color);
  }
}

void drawLayerLane(const AppState& app, ImDrawList* dl, const Geometry& g, const Layer& layer, const Event& event,
                   float y, bool missing) {
  const TimelineView& view = app.timeline;
  const double start = double(layer.startTime) + layer.deconOffset;
  float a = g.origin.x + timeToX(view, start), b = g.origin.x + timeToX(view, start + layer.duration);
  if (b < g.origin.x || a > g.origin.x + g.width) return;
  b = std::max(b, a + 2.0f);
  const float h = g.metrics.laneHeight - 2.0f;
  const ImVec2 p0(a, y + 1), p1(b, y + h);
  const bool dim = layer.muted || event.muted;
  dl->AddRectFilled(p0, p1, shapeColor(event.shape, dim ? 0.22f : 0.36f), 2.0f);
  if (const BlockWaveform* wave = findWaveform(app.waveforms, layer.id))
    drawWaveform(dl, *wave, a, b, p0.y, p1.y, g.origin.x, g.origin.x + g.width,
                 (shapeColor(event.shape, dim ? 0.55f : 0.95f) & 0x00FFFFFF) | 0xA0000000);
  ImU32 edge = 0;
  std::string name = layer.name.empty() ? fileNameOf(layer.filepath) : layer.name;
  if (missing) {
    edge = colors::kMissing;
    name = "[Missing] " + name;
  } else if (layer.placeholder) {
    edge = colors::kPlaceholder;
  }
  if (edge) dl->AddRect(p0, p1, edge, 2.0f, 0, 1.5f);
  if (b - a > 24.0f) {
    dl->PushClipRect(ImVec2(std::max(a, g.origin.x) + 3, p0.y), ImVec2(b - 2, p1.y), true);
    const ImVec2 at(std::max(a, g.origin.x) + 4, p0.y + 1);
    const float size = ImGui::GetFontSize() * 0.82f;
    dl->AddText(nullptr, size, ImVec2(at.x + 1, at.y + 1), IM_COL32(0, 0, 0, 190), name.c_str());
    dl->AddText(nullptr, size, at, missing ? colors::kMissing : layer.placeholder ? colors::kPlaceholder : colors::kText,
                name.c_str());
    dl->PopClipRect();
  }
}

void drawRows(AppState& app, ImDrawList* dl, const Geometry& g, const TimelineLayout& layout) {
  const Session& s = app.session;
  std::unordered_set<std::string> missing(s.missingFiles.begin(), s.missingFiles.end());
  for (size_t r = 0; r < layout.rows.size(); ++r) {
    const TimelineRow& row = layout.rows[r];
    if (row.y > g.visibleBottom || row.y + row.height < g.visibleTop) continue;
    dl->AddRectFilled(ImVec2(g.origin.x, g.origin.y + row.y), ImVec2(g.origin.x + g.width, g.origin.y + row.y + row.height),
                      colors::kRowBackground);
  }
  drawGrid(app, dl, g);
  for (int e = 0; e < static_cast<int>(s.events.size()); ++e) {
    const Event& event = s.events[e];
    const TimelineRow& row = layout.rows[layout.eventRow[e]];
    if (row.y > g.visibleBottom || row.y + row.height < g.visibleTop) continue;
    const float y = g.origin.y + row.y;
    const std::vector<int>& lanes = layout.eventLayers[e];
    for (size_t k = 0; k < lanes.size(); ++k) {
      const Layer& layer = s.results[lanes[k]];
      const float laneY = y + g.metrics.eventHeight + k * g.metrics.laneHeight;
      if (laneY > g.origin.y + g.visibleBottom || laneY + g.metrics.laneHeight < g.origin.y + g.visibleTop) continue;
      drawLayerLane(app, dl, g, layer, event, laneY, !missing.empty() && missing.count(layer.filepath));
    }
    float x0 = g.origin.x + timeToX(app.timeline, event.time);
    float x1 = g.origin.x + timeToX(app.timeline, double(event.time) + event.duration);
    if (x1 < g.origin.x || x0 > g.origin.x + g.width) continue;
    x1 = std::max(x1, x0 + 3.0f);
    drawEventBlock(app, dl, event, e, ImVec2(x0, y), ImVec2(x1, y + g.metrics.eventHeight - 2), g.origin.x);
  }
}

void drawPlayhead(ImDrawList* dl, float x, float top, float bottom) {
  dl->AddLine(ImVec2(x, top), ImVec2(x, bottom), colors::kPlayhead, 1.5f);
  dl->AddTriangleFilled(ImVec2(x - 6, top), ImVec2(x + 6, top), ImVec2(x, top + 8), colors::kPlayhead);
}

// Selecting an event of a linked Group selects the whole Group.
void selectWithGroup(AppState& app, int e, bool additive) {
  const Session& s = app.session;
  if (!additive) selectOnly(app.selection, e);
  else toggleSelected(app.selection, e);
  const std::string& folder = s.events[e].folder;
  if (folder.empty() || !s.linkedGroups.count(folder) || !app.selection.events.count(e)) return;
  for (int i = 0; i < static_cast<int>(s.events.size()); ++i)
    if (s.events[i].folder == folder) app.selection.events.insert(i);
}

bool recordDragStep(AppState& app, const char* label) {
  TimelineDrag& drag = app.timelineDrag;
  if (drag.recorded) return true;
  if (!beginEdit(app, label)) {
    drag = TimelineDrag{};
    return false;
  }
  drag.recorded = true;
  return true;
}

void beginDrag(AppState& app, const Geometry& g, const TimelineLayout& layout, ImVec2 mouse) {
  const ImGuiIO& io = ImGui::GetIO();
  const float x = mouse.x - g.origin.x, y = mouse.y - g.origin.y;
  const TimelineHit hit = hitTestTimeline(app.session, layout, g.metrics, app.timeline, x, y, 6.0f * app.uiScale);
  TimelineDrag drag;
  drag.startTime = xToTime(app.timeline, x);
  drag.startY = y;
  drag.event = hit.event;
  const bool additive = io.KeyCtrl || io.KeyShift;
  if (hit.part == TimelinePart::None) {
    if (!additive) selectOnly(app.selection, -1);
    drag.kind = io.KeyShift ? DragKind::Marquee : DragKind::Draw;
  } else {
    if (!app.selection.events.count(hit.event) || additive) selectWithGroup(app, hit.event, additive);
    const Event& event = app.session.events[hit.event];
    if (hit.part == TimelinePart::StartEdge) drag.kind = DragKind::StartEdge;
    else if (hit.part == TimelinePart::EndEdge) drag.kind = DragKind::EndEdge;
    else if (app.drawMode && hit.part == TimelinePart::Body) {
      if (event.shape == ShapeType::Spot) setStatus(app, "Draw mode not available for Spot");
      else drag.kind = DragKind::PaintCurve;
    } else if (hit.part == TimelinePart::Body && !additive) {
      drag.kind = DragKind::Move;
      drag.events.assign(app.selection.events.begin(), app.selection.events.end());
    }
  }
  app.timelineDrag = drag;
}

void paintAt(AppState& app, const Geometry& g, const TimelineLayout& layout, ImVec2 mouse) {
  TimelineDrag& drag = app.timelineDrag;
  Session& s = app.session;
  if (drag.event < 0 || drag.event >= static_cast<int>(s.events.size())) return;
  if (!recordDragStep(app, "Draw curve")) return;
  Event& event = s.events[drag.event];
  const TimelineRow& row = layout.rows[layout.eventRow[drag.event]];
  const float top = g.origin.y + row.y + 16, bottom = g.origin.y + row.y + g.metrics.eventHeight - 5;
  const float x0 = g.origin.x + timeToX(app.timeline, event.time);
  const float x1 = g.origin.x + timeToX(app.timeline, double(event.time) + event.duration);
  const float pos = (mouse.x - x0) / std::max(1.0f, x1 - x0);
  const float value = 1.0f - (mouse.y - top) / std::max(1.0f, bottom - top);
  Curve& curve = app.drawCurve == 0 ? event.weight : event.intensity;
  if (drag.lastPos < 0) paintCurve(curve, pos, value, pos, value);
  else paintCurve(curve, drag.lastPos, drag.lastValue, pos, value);
  drag.lastPos = std::clamp(pos, 0.0f, 1.0f);
  drag.lastValue = std::clamp(value, 0.0f, 1.0f);
}

void continueDrag(AppState& app, const Geometry& g, const TimelineLayout& layout, ImVec2 mouse) {
  TimelineDrag& drag = app.timelineDrag;
  const double t = xToTime(app.timeline, mouse.x - g.origin.x);
  const float dx = std::fabs(ImGui::GetIO().MouseDragMaxDistanceAbs[0].x);
  switch (drag.kind) {
    case DragKind::Move: {
      if (dx < 3.0f) return;
      if (!recordDragStep(app, "Move")) return;
      const float wanted = static_cast<float>(t - drag.startTime);
      drag.applied += moveEvents(app.session, drag.events, wanted - drag.applied);
      break;
    }
    case DragKind::StartEdge:
      if (recordDragStep(app, "Resize")) setEventStart(app.session, drag.event, static_cast<float>(t));
      break;
    case DragKind::EndEdge:
      if (recordDragStep(app, "Resize")) setEventEnd(app.session, drag.event, static_cast<float>(t));
      break;
    case DragKind::PaintCurve:
      paintAt(app, g, layout, mouse);
      break;
    default:
      break;
  }
}

void finishDrag(AppState& app, const Geometry& g, const TimelineLayout& layout, ImVec2 mouse) {
  TimelineDrag drag = app.timelineDrag;
  app.timelineDrag = TimelineDrag{};
  const double t = xToTime(app.timeline, mouse.x - g.origin.x);
  const bool moved = std::fabs(t - drag.startTime) * app.timeline.pixelsPerSecond >= 4.0;
  if (drag.kind == DragKind::Draw) {
    if (!moved) {
      movePlayhead(app, t);
      return;
    }
    const double a = std::max(0.0, std::min(drag.startTime, t)), b = std::max(drag.startTime, t);
    createEvent(app, app.drawShape, a, b - a);
  } else if (drag.kind == DragKind::Marquee) {
    const std::vector<int> hits = eventsInRect(app.session, layout, g.metrics, drag.startTime, t, drag.startY,
                                               mouse.y - g.origin.y);
    for (int e : hits) app.selection.events.insert(e);
    if (!hits.empty()) app.selection.primary = hits.front();
  }
}

void drawDragPreview(const AppState& app, ImDrawList* dl, const Geometry& g, ImVec2 mouse) {
  const TimelineDrag& drag = app.timelineDrag;
  if (drag.kind != DragKind::Draw && drag.kind != DragKind::Marquee) return;
  const float a = g.origin.x + timeToX(app.timeline, drag.startTime);
  if (drag.kind == DragKind::Draw) {
    const float y = g.origin.y + drag.startY;
    dl->AddRectFilled(ImVec2(std::min(a, mouse.x), y - 2), ImVec2(std::max(a, mouse.x), y + g.metrics.eventHeight - 4),
                      (shapeColor(app.drawShape) & 0x00FFFFFF) | 0x80000000, 4.0f);
  } else {
    const ImVec2 p0(std::min(a, mouse.x), g.origin.y + std::min(drag.startY, mouse.y - g.origin.y));
    const ImVec2 p1(std::max(a, mouse.x), g.origin.y + std::max(drag.startY, mouse.y - g.origin.y));
    dl->AddRectFilled(p0, p1, IM_COL32(64, 170, 200, 40));
    dl->AddRect(p0, p1, colors::kAccent);
  }
}

// Its design saved as a recipe, its Group
// as a chain, and a saved recipe applied to the selection.
void recipeItems(AppState& app, int event, const Event& e) {
  if (ImGui::MenuItem("Save as Recipe")) app.commands.post({CommandId::SaveAsRecipe, defaultRecipeName(e), event});
  if (ImGui::MenuItem("Save as Chain", nullptr, false, !e.folder.empty())) app.commands.post(CommandId::SaveAsChain);
  const std::vector<SavedPreset>& recipes = app.presets.recipes;
  if (!ImGui::BeginMenu("Apply Recipe", !recipes.empty())) return;
  const size_t selected = app.selection.events.size();
  ImGui::TextDisabled("%s", selected > 1 ? format("Apply recipe to %zu events", selected).c_str()
                                         : "Apply recipe to all selected");
  for (const SavedPreset& saved : recipes)
    if (ImGui::MenuItem(saved.name.c_str())) app.commands.post({CommandId::ApplyRecipe, saved.name, -1});
  ImGui::EndMenu();
}

void contextMenu(AppState& app, int event) {
  if (!ImGui::BeginPopup("##event_menu")) return;
  if (event >= 0 && event < static_cast<int>(app.session.events.size())) {
    const Event& e = app.session.events[event];
    ImGui::TextDisabled("%s", eventTitle(e).c_str());
    ImGui::Separator();
    if (ImGui::MenuItem("Rebuild this event")) app.commands.post({CommandId::BuildEvent, {}, event});
    if (ImGui::MenuItem(e.locked ? "Unlock" : "Lock", "Ctrl+L")) app.commands.post(CommandId::LockToggle);
    if (ImGui::MenuItem(e.muted ? "Unmute" : "Mute")) app.commands.post(CommandId::MuteToggle);
    if (ImGui::MenuItem("Group", "Ctrl+G")) app.commands.post(CommandId::Group);
    if (ImGui::MenuItem("Ungroup", "Ctrl+Shift+G", false, !e.folder.empty())) app.commands.post(CommandId::Ungroup);
    ImGui::Separator();
    recipeItems(app, event, e);
    ImGui::Separator();
    if (ImGui::MenuItem("Delete", "Del")) app.commands.post(CommandId::Delete);
  }
  ImGui::EndPopup();
}

void handleWheel(AppState& app, const Geometry& g, ImVec2 mouse) {
  const ImGuiIO& io = ImGui::GetIO();
  if (io.MouseWheel == 0.0f && io.MouseWheelH == 0.0f) return;
  if (io.KeyCtrl) {
    zoomAround(app.timeline, std::pow(1.2, io.MouseWheel), xToTime(app.timeline, mouse.x - g.origin.x));
  } else if (io.KeyShift || io.MouseWheelH != 0.0f) {
    const float steps = io.KeyShift ? io.MouseWheel : -io.MouseWheelH;
    app.timeline.leftTime -= steps * 0.1 * visibleSeconds(app.timeline);
  }
}

void drawScrollBar(AppState& app, ImDrawList* dl, ImVec2 pos, float width, float height, double length) {
  TimelineView& view = app.timeline;
  const double visible = visibleSeconds(view);
  const double total = std::max(length, view.leftTime + visible);
  const float a = pos.x + static_cast<float>(view.leftTime / total) * width;
  const float b = pos.x + static_cast<float>(std::min(1.0, (view.leftTime + visible) / total)) * width;
  dl->AddRectFilled(pos, ImVec2(pos.x + width, pos.y + height), colors::kTrackBackground);
  ImGui::SetCursorScreenPos(pos);
  ImGui::InvisibleButton("##hscroll", ImVec2(width, height));
  const bool active = ImGui::IsItemActive();
  if (ImGui::IsItemActivated()) app.timelineDrag = TimelineDrag{DragKind::ScrollBar, -1, {}, view.leftTime};
  if (active && app.timelineDrag.kind == DragKind::ScrollBar) {
    const float dx = ImGui::GetMouseDragDelta(0).x;
    view.leftTime = app.timelineDrag.startTime + dx / width * total;
  }
  if (ImGui::IsItemDeactivated()) app.timelineDrag = TimelineDrag{};
  const ImU32 thumb = active || ImGui::IsItemHovered() ? IM_COL32(140, 148, 162, 255) : IM_COL32(90, 96, 108, 255);
  dl->AddRectFilled(ImVec2(a, pos.y + 2), ImVec2(std::max(a + 12, b), pos.y + height - 2), thumb, height * 0.5f);
}

}  // namespace

bool acceptTimelineDrop(AppState& app, const DroppedItem& item) {
  if (item.kind != DropKind::Audio) return false;
  const float x = app.dropX - app.trackOriginX, y = app.dropY - app.trackOriginY;
  if (x < 0) return false;
  const TimelineLayout layout = layoutTimeline(app.session, app.trackMetrics, !sessionBusy(app));
  const TimelineHit hit = hitTestTimeline(app.session, layout, app.trackMetrics, app.timeline, x, y, 0.0f);
  if (hit.event >= 0 && app.session.events[hit.event].shape == ShapeType::Bed)
    return addBedFile(app, hit.event, item.path);
  return placeClip(app, item.path, xToTime(app.timeline, x)) >= 0;
}

void drawTimelinePanel(AppState& app) {
  Session& s = app.session;
  const float scale = app.uiScale;
  const ImVec2 avail = ImGui::GetContentRegionAvail();
  const ImVec2 top = ImGui::GetCursorScreenPos();
  const float rulerHeight = std::round(26 * scale);
  const float sceneHeight = s.scenes.empty() ? 0.0f : std::round(18 * scale);
  const float traceHeight = traceStripHeight(app);  // the picture read's lanes and slice line
  const float scrollHeight = std::round(12 * scale);
  app.timeline.width = std::max(50.0f, avail.x - ImGui::GetStyle().ScrollbarSize);
  const double length = sessionLength(s);
  if (app.fitPending) {
    zoomToFit(app.timeline, s.settings.totalDuration > 0 ? s.settings.totalDuration : length);
    app.fitPending = false;
  }
  clampScroll(app.timeline, length);

  ImDrawList* dl = ImGui::GetWindowDrawList();
  drawRuler(app, dl, top, app.timeline.width, rulerHeight);
  ImGui::SetCursorScreenPos(top);
  ImGui::InvisibleButton("##ruler", ImVec2(app.timeline.width, rulerHeight + sceneHeight));
  if (ImGui::IsItemActive()) movePlayhead(app, xToTime(app.timeline, ImGui::GetIO().MousePos.x - top.x));
  if (sceneHeight > 0) drawScenes(app, dl, ImVec2(top.x, top.y + rulerHeight), app.timeline.width, sceneHeight);
  if (traceHeight > 0)
    drawTraceStrip(app, ImVec2(top.x, top.y + rulerHeight + sceneHeight), app.timeline.width, traceHeight);

  TimelineMetrics metrics;
  metrics.eventHeight = std::round(44 * scale);
  metrics.laneHeight = std::round(18 * scale);
  metrics.rowGap = std::round(6 * scale);
  app.trackMetrics = metrics;
  // While a job changes the layers the interface leaves them alone.
  const bool withLayers = !sessionBusy(app);
  const TimelineLayout layout = layoutTimeline(s, metrics, withLayers);

  const float tracksHeight = std::max(40.0f, avail.y - rulerHeight - sceneHeight - traceHeight - scrollHeight);
  ImGui::SetCursorScreenPos(ImVec2(top.x, top.y + rulerHeight + sceneHeight + traceHeight));
  const ImGuiIO& io = ImGui::GetIO();
  const ImGuiWindowFlags childFlags = io.KeyCtrl || io.KeyShift ? ImGuiWindowFlags_NoScrollWithMouse : 0;
  ImGui::PushStyleColor(ImGuiCol_ChildBg, colors::kTrackBackground);
  ImGui::BeginChild("##tracks", ImVec2(avail.x, tracksHeight), false, childFlags);
  Geometry g;
  g.origin = ImGui::GetCursorScreenPos();
  app.trackOriginX = g.origin.x;
  app.trackOriginY = g.origin.y;
  g.width = app.timeline.width;
  g.visibleTop = ImGui::GetScrollY();
  g.visibleBottom = g.visibleTop + tracksHeight;
  g.metrics = metrics;
  ImDrawList* tl = ImGui::GetWindowDrawList();
  const float canvasHeight = std::max(layout.totalHeight + metrics.eventHeight, tracksHeight - 2.0f);
  ImGui::InvisibleButton("##canvas", ImVec2(g.width, canvasHeight), ImGuiButtonFlags_MouseButtonLeft |
                                                                        ImGuiButtonFlags_MouseButtonRight);
  const ImVec2 mouse = io.MousePos;
  if (ImGui::IsItemHovered()) handleWheel(app, g, mouse);
  if (ImGui::IsItemActivated() && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) beginDrag(app, g, layout, mouse);
  if (ImGui::IsItemActive() && ImGui::IsMouseDown(ImGuiMouseButton_Left)) continueDrag(app, g, layout, mouse);
  if (ImGui::IsItemDeactivated() && app.timelineDrag.kind != DragKind::ScrollBar) finishDrag(app, g, layout, mouse);
  if (ImGui::IsItemClicked(ImGuiMouseButton_Right)) {
    const TimelineHit hit = hitTestTimeline(s, layout, metrics, app.timeline, mouse.x - g.origin.x, mouse.y - g.origin.y, 0);
    if (hit.event >= 0) {
      if (!app.selection.events.count(hit.event)) selectWithGroup(app, hit.event, false);
      app.contextEvent = hit.event;
      ImGui::OpenPopup("##event_menu");
    }
  }
  contextMenu(app, app.contextEvent);
  // The session may have changed above; lay it out again before drawing.
  const TimelineLayout drawn = layoutTimeline(s, metrics, withLayers);
  drawRows(app, tl, g, drawn);
  drawDragPreview(app, tl, g, mouse);
  if (s.events.empty()) {
    const char* hint = "Drag on the timeline to draw an event, or use Composition > Create.";
    const ImVec2 size = ImGui::CalcTextSize(hint);
    tl->AddText(ImVec2(g.origin.x + (g.width - size.x) * 0.5f, g.origin.y + g.visibleTop + tracksHeight * 0.4f),
                colors::kTextDim, hint);
  }
  const float playheadX = g.origin.x + timeToX(app.timeline, app.playhead);
  if (playheadX >= g.origin.x && playheadX <= g.origin.x + g.width)
    tl->AddLine(ImVec2(playheadX, g.origin.y + g.visibleTop), ImVec2(playheadX, g.origin.y + g.visibleBottom),
                colors::kPlayhead, 1.5f);
  ImGui::EndChild();
  ImGui::PopStyleColor();

  if (playheadX >= top.x && playheadX <= top.x + app.timeline.width)
    drawPlayhead(dl, playheadX, top.y, top.y + rulerHeight + sceneHeight);
  drawScrollBar(app, dl, ImVec2(top.x, top.y + rulerHeight + sceneHeight + traceHeight + tracksHeight), app.timeline.width,
                scrollHeight, length);
}

}  // namespace vn
