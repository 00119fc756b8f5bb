// The Trace panel: reading the picture (with its progress and stop), the proposed
// events and the imported markers in time order with their accept toggles, the
// read's settings, and importing the kept ones as Events.
#include <imgui.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/recipe_actions.h"
#include "app/icons.h"
#include "app/picture_actions.h"
#include "app/picture_panels.h"
#include "app/picture_state.h"
#include "app/theme.h"
#include "core/recipe_io.h"
#include "core/timecode.h"
#include "picture/trace_session.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

std::string clockText(float seconds) {
  const int whole = std::max(0, static_cast<int>(seconds));
  return format("%d:%02d", whole / 60, whole % 60);
}

void readControls(AppState& app, PictureState& p) {
  TraceAnalyzer& a = p.analyzer;
  if (a.running.load()) {
    const float fraction = a.progress.load();
    ImGui::TextUnformatted("Reading picture");
    const std::string detail =
        format("%s of %s", clockText(fraction * p.player.duration).c_str(), clockText(p.player.duration).c_str());
    ImGui::ProgressBar(fraction, ImVec2(-1, 0), detail.c_str());
    if (ImGui::Button("Stop reading the picture")) stopPictureRead();
    return;
  }
  if (!p.haveRead) {
    ImGui::TextUnformatted("Read the picture.");
    ImGui::TextDisabled("Trace measures light and motion");
    ImGui::TextDisabled("to mark where sound might go.");
    ImGui::BeginDisabled(!p.player.loaded);
    if (ImGui::Button("  Read the Picture")) startPictureRead(app);
    ImGui::EndDisabled();
    if (!p.player.loaded) ImGui::TextDisabled("Import a video first (File > Import Video…).");
  } else if (ImGui::Button("Clear the picture read")) {
    clearPictureRead(app);
  }
  ImGui::SameLine();
  if (ImGui::Button("Import trace data…")) browseForTraceFile(app);
}

void settings(PictureState& p) {
  if (!ImGui::CollapsingHeader("Read settings")) return;
  ImGui::SliderFloat("Sensitivity", &p.params.sensitivity, 0.0f, 1.0f, "%.2f");
  ImGui::SliderFloat("Minimum gap", &p.params.minEventGap, 0.0f, 2.0f, "%.2f s");
  ImGui::SliderFloat("Threshold window", &p.params.adaptiveWindowSec, 0.0f, 10.0f, "%.1f s");
}

void slice(AppState& app, const PictureState& p) {
  TraceSummary& s = app.session.traceSummary;
  const int kept = CountKeptEvents(p.analyzer, s.opticalDetail, s.traceKeepAbove);
  ImGui::Text("Keeping %s the line - %d events.", s.traceKeepAbove ? "above" : "below", kept);
  if (ImGui::SmallButton(s.traceKeepAbove ? "Keep below instead" : "Keep above instead")) {
    s.traceKeepAbove = !s.traceKeepAbove;
    app.session.dirty = true;
  }
}

// "Apply a recipe…": a saved recipe given to the imported events that name none of
// their own.
void recipeChoice(AppState& app, PictureState& p) {
  const std::vector<SavedPreset>& recipes = app.presets.recipes;
  if (!p.importRecipe.empty() && !findSaved(recipes, p.importRecipe)) p.importRecipe.clear();
  ImGui::SetNextItemWidth(-1);
  if (!ImGui::BeginCombo("##import_recipe", p.importRecipe.empty() ? "Apply a recipe…" : p.importRecipe.c_str())) return;
  if (ImGui::Selectable("No recipe", p.importRecipe.empty())) p.importRecipe.clear();
  if (recipes.empty()) ImGui::TextDisabled("No Recipes Saved");
  for (const SavedPreset& saved : recipes) {
    if (!ImGui::Selectable(saved.name.c_str(), p.importRecipe == saved.name)) continue;
    Recipe recipe;
    if (loadRecipe(saved.path, recipe)) {
      p.importRecipe = saved.name;
      p.importRecipeShape = static_cast<int>(recipe.event.shape);
    }
  }
  ImGui::EndCombo();
}

struct Row {
  float time;       // on the timeline
  int traceIndex;   // -1 for a marker
  int markerIndex;  // -1 for a picture event
};

// Picture events and markers together, in time order.
std::vector<Row> rowsOf(const AppState& app, const PictureState& p) {
  std::vector<Row> rows;
  if (p.haveRead)
    for (size_t i = 0; i < p.analyzer.events.size(); ++i)
      rows.push_back({app.session.videoStartTime + p.analyzer.events[i].time, static_cast<int>(i), -1});
  for (size_t i = 0; i < p.markers.size(); ++i) rows.push_back({p.markers[i].time, -1, static_cast<int>(i)});
  std::stable_sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x.time < y.time; });
  return rows;
}

void eventList(AppState& app, PictureState& p) {
  const std::vector<Row> rows = rowsOf(app, p);
  if (rows.empty()) return;
  const TraceSummary& s = app.session.traceSummary;
  const double fps = app.session.settings.fps > 0 ? app.session.settings.fps : 24.0;
  const ImGuiTableFlags flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY | ImGuiTableFlags_BordersInnerV;
  const float height = std::max(120.0f, ImGui::GetContentRegionAvail().y - 60.0f * app.uiScale);
  if (!ImGui::BeginTable("##trace_events", 5, flags, ImVec2(-1, height))) return;
  ImGui::TableSetupScrollFreeze(0, 1);
  ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed, 22 * app.uiScale);
  ImGui::TableSetupColumn("Timecode", ImGuiTableColumnFlags_WidthFixed, 86 * app.uiScale);
  ImGui::TableSetupColumn("Kind", ImGuiTableColumnFlags_WidthFixed, 64 * app.uiScale);
  ImGui::TableSetupColumn("Slice", ImGuiTableColumnFlags_WidthFixed, 44 * app.uiScale);
  ImGui::TableSetupColumn("Words");
  ImGui::TableHeadersRow();
  for (const Row& row : rows) {
    ImGui::TableNextRow();
    ImGui::PushID(row.traceIndex >= 0 ? row.traceIndex : 100000 + row.markerIndex);
    ImGui::TableNextColumn();
    if (row.traceIndex >= 0) {
      const TraceEvent& e = p.analyzer.events[row.traceIndex];
      bool accepted = e.accepted;
      if (ImGui::Checkbox("##accept", &accepted)) toggleTraceEvent(app, row.traceIndex);
      const bool kept = e.accepted && KeepBySlice(e, s.opticalDetail, s.traceKeepAbove);
      ImGui::TableNextColumn();
      ImGui::TextColored(ImColor(kept ? colors::kText : colors::kTextDim), "%s",
                         formatTimecode(app.session.settings.startTC + row.time, fps).c_str());
      ImGui::TableNextColumn();
      ImGui::TextDisabled("%s %s", e.type == kTraceSpot ? "Spot" : e.type == kTraceCluster ? "Cluster" : "Fill",
                          e.layer == kLayerBackground ? "BG" : "FG");
      ImGui::TableNextColumn();
      ImGui::Text("%.2f", e.sliceValue);
      ImGui::TableNextColumn();
      ImGui::TextDisabled("%s", e.keywords.empty() ? "picture" : e.keywords.c_str());
    } else {
      ImportedMarker& m = p.markers[row.markerIndex];
      ImGui::Checkbox("##accept", &m.accepted);
      ImGui::TableNextColumn();
      ImGui::TextColored(ImColor(m.accepted ? colors::kText : colors::kTextDim), "%s",
                         formatTimecode(app.session.settings.startTC + row.time, fps).c_str());
      ImGui::TableNextColumn();
      ImGui::TextDisabled("Marker");
      ImGui::TableNextColumn();
      ImGui::TextDisabled("-");
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(m.name.c_str());
    }
    ImGui::PopID();
  }
  ImGui::EndTable();
}

void markersSection(AppState& app) {
  ImGui::TextUnformatted("Import markers.");
  ImGui::TextDisabled("Bring in memory locations");
  ImGui::TextDisabled("exported from a Pro Tools session.");
  if (ImGui::Button("Import Markers…")) importMarkersCommand(app);
}

}  // namespace

void drawTracePanel(AppState& app) {
  PictureState& p = appPicture();
  readControls(app, p);
  if (!p.message.empty() && app.now < p.messageUntil)
    ImGui::TextColored(ImColor(p.messageIsError ? colors::kMissing : colors::kAccent), "%s", p.message.c_str());
  settings(p);
  ImGui::Separator();

  const TraceAnalyzer& a = p.analyzer;
  if (p.haveRead && !a.running.load()) {
    if (a.events.empty()) {
      ImGui::TextUnformatted("No clear events found.");
      ImGui::TextDisabled("The picture may be too still.");
    } else {
      ImGui::Text("%d events", static_cast<int>(a.events.size()));
      ImGui::TextDisabled("Drag the line on the timeline");
      ImGui::TextDisabled("to adjust.");
      slice(app, p);
    }
  }
  if (p.markers.empty()) markersSection(app);

  const TraceSummary& s = app.session.traceSummary;
  const int picture = p.haveRead ? CountKeptEvents(a, s.opticalDetail, s.traceKeepAbove) : 0;
  const int markers = static_cast<int>(std::count_if(p.markers.begin(), p.markers.end(),
                                                     [](const ImportedMarker& m) { return m.accepted; }));
  if ((p.haveRead && !a.events.empty()) || !p.markers.empty()) {
    if (p.haveRead) ImGui::TextDisabled("Picture: Import %d", picture);
    eventList(app, p);
    recipeChoice(app, p);
    ImGui::BeginDisabled(picture + markers == 0 || a.running.load());
    if (ImGui::Button(format("   Import  %d  Events", picture + markers).c_str(), ImVec2(-1, 0))) importPictureEvents(app);
    ImGui::EndDisabled();
  }
}

bool acceptTraceDrop(AppState& app, const DroppedItem& item) {
  if (item.kind != DropKind::Trace) return false;
  importTraceFile(app, item.path);
  return true;
}

}  // namespace vn
