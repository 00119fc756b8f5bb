#include "app/commands.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/bounce_actions.h"
#include "app/clip_actions.h"
#include "app/delivery_actions.h"
#include "app/edit_actions.h"
#include "app/export_actions.h"
#include "app/help_actions.h"
#include "app/library_actions.h"
#include "app/panels.h"
#include "app/picture_actions.h"
#include "app/project_actions.h"
#include "app/provenance_actions.h"
#include "app/recipe_actions.h"
#include "app/render_actions.h"
#include "app/transport_actions.h"
#include "app/update_actions.h"
#include "core/bounce_edit.h"
#include "core/event_edit.h"

namespace vn {
namespace {

bool hasSelection(const AppState& app) { return !app.selection.events.empty(); }

const char* panelFor(CommandId id) {
  switch (id) {
    case CommandId::ShowEvents: return "Events";
    case CommandId::ShowProject: return "Project";
    case CommandId::ShowTrace: return "Trace";
    case CommandId::ShowMixer: return "Mixer";
    case CommandId::ShowDelivery: return "Delivery";
    case CommandId::ShowLibrary: return "Library";
    case CommandId::ShowExport: return "Export";
    case CommandId::ShowSettings:
    case CommandId::Settings: return "Settings";
    case CommandId::ShowProvenance: return "Provenance";
    default: return nullptr;
  }
}

void zoom(AppState& app, double factor) {
  const double anchor = app.playhead >= app.timeline.leftTime &&
                                app.playhead <= app.timeline.leftTime + visibleSeconds(app.timeline)
                            ? app.playhead
                            : app.timeline.leftTime + 0.5 * visibleSeconds(app.timeline);
  zoomAround(app.timeline, factor, anchor);
}

std::vector<uint32_t> layerIds(const std::vector<Layer>& layers) {
  std::vector<uint32_t> ids;
  ids.reserve(layers.size());
  for (const Layer& l : layers) ids.push_back(l.id);
  return ids;
}

void undoOrRedo(AppState& app, bool undo) {
  if (sessionBusy(app)) return;
  const std::vector<uint32_t> before = layerIds(app.session.results);
  std::string label;
  const bool done = undo ? undoStep(app.history, app.session, &label) : redoStep(app.history, app.session, &label);
  if (!done) return;
  clampSelection(app.selection, static_cast<int>(app.session.events.size()));
  setStatus(app, std::string(undo ? "Undo " : "Redo ") + label);
  if (layerIds(app.session.results) != before) refreshCacheAfterUndo(app);
}

void createAtPlayhead(AppState& app, ShapeType shape) {
  createEvent(app, shape, app.playhead, defaultDuration(shape));
}

}  // namespace

bool commandAvailable(const AppState& app, CommandId id) {
  using C = CommandId;
  if (const char* panel = panelFor(id)) return findPanel(panel) != nullptr;
  switch (id) {
    case C::New: case C::Open: case C::OpenPath: case C::OpenRecent: case C::Close: case C::Save: case C::SaveAs:
    case C::SaveToPath:
      return !sessionBusy(app);
    case C::ClearRecent:
      return !app.prefs.recentProjects.empty();
    case C::ProjectLauncher: case C::Exit: case C::About: case C::ZoomIn: case C::ZoomOut: case C::ZoomFit: case C::SelectAll:
    case C::SetInPoint: case C::SetOutPoint: case C::ClearWorkArea: case C::SaveScene: case C::DrawMode:
    case C::CreateSpot: case C::CreateBloom: case C::CreateContour: case C::CreateFill: case C::SelectEvent:
    case C::SetKeywords: case C::PlaceClip: case C::PlaceBed: case C::PlaceRecipe: case C::PlaceChain:
    case C::SaveAsRecipe: case C::SaveAsChain: case C::ApplyBusLayout:
      return !sessionBusy(app);
    case C::ApplyRecipe:
      return hasSelection(app) && !sessionBusy(app);
    case C::SaveBusLayout: case C::SetDefaultBusLayout:
      return true;
    case C::ScanFolder:
      return !app.scan.running;
    case C::UserGuide:
      return !userGuidePath().empty();
    case C::Undo: return !app.history.undo.empty() && !sessionBusy(app);
    case C::Redo: return !app.history.redo.empty() && !sessionBusy(app);
    case C::Paste: return !app.clipboard.empty();
    case C::Cut: case C::Copy: case C::Delete: case C::Group: case C::Ungroup: case C::LockToggle:
    case C::MuteToggle:
      return hasSelection(app);
    case C::Build: case C::BuildEvent: case C::Render:
      return renderJobsAvailable(app);
    case C::ImportVideo: return !videoLoading(app);
    case C::ImportMarkers: return true;
    case C::PlayStop: case C::LoopToggle: case C::PreviewRecipe: return playbackAvailable(app);
    case C::ReturnToStart: return true;
    case C::Export: return !exportRunning(app);
    case C::ExportVariations: return !exportRunning(app) && !app.selection.events.empty();
    case C::FindPrint: return true;
    case C::RevertToSource: return app.provenance.print.has_value() && !sessionBusy(app);
    case C::CheckForUpdates: return !updateCheckRunning(app);
    case C::ViewUpdate: case C::DismissUpdate: return visibleOffer(app.prefs).has_value();
    case C::BounceSelection: return bounceAvailable(app);
    case C::RevertBounce: return !sessionBusy(app);
    default:
      return false;
  }
}

bool commandChecked(const AppState& app, CommandId id) {
  return (id == CommandId::DrawMode && app.drawMode) || (id == CommandId::LoopToggle && app.transport.loopWorkArea);
}

void runCommand(AppState& app, const AppCommand& command) {
  using C = CommandId;
  if (!commandAvailable(app, command.id)) return;
  if (const char* panel = panelFor(command.id)) {
    app.focusPanel = panel;
    return;
  }
  switch (command.id) {
    case C::New: newProjectCommand(app); break;
    case C::Open: browseForProject(app); break;
    case C::OpenPath: case C::OpenRecent: openProjectCommand(app, command.text); break;
    case C::ClearRecent: clearRecentProjects(app); break;
    case C::ProjectLauncher: app.showLauncher = true; break;
    case C::Save: saveCommand(app); break;
    case C::SaveAs: browseForSaveAs(app); break;
    case C::SaveToPath: saveAsCommand(app, command.text); break;
    case C::Close: newProjectCommand(app); break;
    case C::Exit: app.quit = true; break;
    case C::Undo: undoOrRedo(app, true); break;
    case C::Redo: undoOrRedo(app, false); break;
    case C::Cut: cutSelection(app); break;
    case C::Copy: copySelection(app); break;
    case C::Paste: pasteClipboard(app); break;
    case C::Delete: deleteSelection(app); break;
    case C::SelectAll: selectAll(app); break;
    case C::Group: groupSelection(app); break;
    case C::Ungroup: ungroupSelection(app); break;
    case C::LockToggle: toggleLockSelection(app); break;
    case C::MuteToggle: toggleMuteSelection(app); break;
    case C::Render: postRender(app); break;
    case C::Export:
      // From the menu: the panel with its options; from the panel (with its folder): the run.
      if (command.text.empty()) app.focusPanel = "Export";
      else startExport(app, command.text);
      break;
    case C::ExportVariations:
      if (command.text.empty()) app.focusPanel = "Export";
      else startVariations(app, command.text);
      break;
    case C::Build: postBuild(app, -1); break;
    case C::SaveBusLayout: saveBusLayout(app, command.text); break;
    case C::ApplyBusLayout: applyBusLayout(app, command.text); break;
    case C::SetDefaultBusLayout: setDefaultBusLayout(app, command.text); break;
    case C::BuildEvent: postBuild(app, command.index); break;
    case C::CreateSpot: createAtPlayhead(app, ShapeType::Spot); break;
    case C::CreateBloom: createAtPlayhead(app, ShapeType::Bloom); break;
    case C::CreateContour: createAtPlayhead(app, ShapeType::Contour); break;
    case C::CreateFill: createAtPlayhead(app, ShapeType::Fill); break;
    case C::SetInPoint: setInPoint(app); break;
    case C::SetOutPoint: setOutPoint(app); break;
    case C::ClearWorkArea: clearWorkArea(app); break;
    case C::SaveScene: saveScene(app); break;
    case C::PlaceClip:
      if (command.text.empty()) browseForClip(app);
      else placeClip(app, command.text, app.playhead);
      break;
    case C::PlaceBed: placeBed(app); break;
    case C::PlaceRecipe: placeRecipeAtPlayhead(app, command.text); break;
    case C::PlaceChain: placeChainAtPlayhead(app, command.text); break;
    case C::ApplyRecipe: applyRecipeToSelection(app, command.text); break;
    case C::PreviewRecipe: playRecipePreview(app, command.text); break;
    case C::SaveAsRecipe:
      if (command.index >= 0) selectOnly(app.selection, command.index);
      saveSelectedAsRecipe(app, command.text);
      break;
    case C::SaveAsChain: saveSelectedGroupAsChain(app); break;
    case C::DrawMode: {
      app.drawMode = !app.drawMode;
      const int e = app.selection.primary;
      if (app.drawMode && e >= 0 && e < static_cast<int>(app.session.events.size()) &&
          app.session.events[e].shape == ShapeType::Spot)
        setStatus(app, "Draw mode not available for Spot");
      break;
    }
    case C::ZoomIn: zoom(app, 1.5); break;
    case C::ZoomOut: zoom(app, 1.0 / 1.5); break;
    case C::ZoomFit: app.fitPending = true; break;
    case C::UserGuide: openUserGuide(app); break;
    case C::About: app.showAbout = true; break;
    case C::ImportVideo: importVideoCommand(app); break;
    case C::ImportMarkers: importMarkersCommand(app); break;
    case C::SelectEvent:
      selectOnly(app.selection, command.index < static_cast<int>(app.session.events.size()) ? command.index : -1);
      break;
    case C::SetKeywords: setEventKeywords(app, command.index, command.text); break;
    case C::ScanFolder: startLibraryScan(app, command.text); break;
    case C::PlayStop: togglePlayCommand(app); break;
    case C::ReturnToStart: returnToStartCommand(app); break;
    case C::LoopToggle: toggleLoopCommand(app); break;
    case C::FindPrint:
      if (command.text.empty()) browseFindPrint(app);
      else showProvenance(app, command.text);
      break;
    case C::RevertToSource: revertToSource(app); break;
    case C::BounceSelection: startBounce(app); break;
    case C::RevertBounce:
      if (!revertBounceAt(app, command.index)) setStatus(app, "That event is not a bounced Clip");
      break;
    case C::CheckForUpdates: checkForUpdatesNow(app); break;
    case C::ViewUpdate: viewUpdate(app); break;
    case C::DismissUpdate: dismissUpdate(app); break;
    default: break;
  }
}

void runPendingCommands(AppState& app) {
  for (const AppCommand& command : app.commands.takeAll()) runCommand(app, command);
}

}  // namespace vn
