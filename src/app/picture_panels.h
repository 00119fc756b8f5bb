#pragma once
// The panels of the picture: the video area above the timeline, the Trace tab,
// and the trace lanes with the slice line on the timeline.
#include "app/drop_classify.h"
#include "imgui.h"

namespace vn {

struct AppState;

void drawVideoPanel(AppState& app);
bool videoPanelShown(const AppState& app);
bool acceptVideoDrop(AppState& app, const DroppedItem& item);

void drawTracePanel(AppState& app);
bool acceptTraceDrop(AppState& app, const DroppedItem& item);

// Height of the band of trace lanes at the top of the timeline (0 when there is no read).
float traceStripHeight(const AppState& app);
// Draws the lanes and the slice line across the band; dragging moves the line.
void drawTraceStrip(AppState& app, ImVec2 pos, float width, float height);

}  // namespace vn
