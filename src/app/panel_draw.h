#pragma once
// The draw function of every panel of the main window.
namespace vn {

struct AppState;
struct DroppedItem;

void drawToolbarPanel(AppState& app);
void drawTimelinePanel(AppState& app);
void drawInspectorPanel(AppState& app);
void drawEventsPanel(AppState& app);
void drawProjectPanel(AppState& app);
void drawMixerPanel(AppState& app);
void drawExportPanel(AppState& app);
void drawLibraryPanel(AppState& app);
void drawRecipesPanel(AppState& app);
void drawSettingsPanel(AppState& app);
void drawDeliveryPanel(AppState& app);
// The project's delivery channel mode (conform to the declared tracks, or keep every
// layer's own channels); the Delivery and Export panels both show it.
void deliveryChannelModeChoice(AppState& app);
void drawProvenancePanel(AppState& app);

// Sound files dropped on the timeline: Clips where they land, or layers of a Bed.
bool acceptTimelineDrop(AppState& app, const DroppedItem& item);
// Sound files dropped on the Provenance panel: their Print is looked up.
bool acceptProvenanceDrop(AppState& app, const DroppedItem& item);

}  // namespace vn
