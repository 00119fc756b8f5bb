#pragma once
// Everything the user can ask of the application, from a menu, a shortcut, a button,
// a drop or a second launch. Commands are queued and carried out at the start of the
// next frame, so every way in runs the same code.
#include <string>
#include <vector>

namespace vn {

enum class CommandId {
  // File
  New, Open, OpenRecent, ClearRecent, ProjectLauncher, ImportVideo, ImportMarkers, Save, SaveAs, Export,
  ExportVariations,  // text: the takes' folder (empty: the Export panel); the selected events
  Close, Settings, Exit,
  // Edit
  Undo, Redo, Cut, Copy, Paste, Delete, SelectAll, Group, Ungroup, LockToggle,
  // Composition
  Render, CreateSpot, CreateBloom, CreateContour, CreateFill, PlaceClip, PlaceBed, PlaceRecipe, PlaceChain,
  SetInPoint, SetOutPoint, ClearWorkArea, SaveScene, DrawMode, MuteToggle, BounceSelection,
  // View
  ZoomIn, ZoomOut, ZoomFit, ShowEvents, ShowProject, ShowTrace, ShowMixer, ShowLibrary, ShowExport, ShowSettings,
  ShowDelivery,
  ShowProvenance,
  // Help
  UserGuide, About,
  // PlaceClip without text opens the file browser; with text it places that file at the
  // playhead. PlaceRecipe and PlaceChain take the saved item's name as text.
  // Not on a menu: asked for by panels, drops, a second launch or the self-test.
  OpenPath,       // text: the project to open
  SaveToPath,     // text: where to save
  SelectEvent,    // index: the event; index -1 clears the selection
  SetKeywords,    // index: the event, text: its new search words
  Build,          // builds and renders every unlocked event
  BuildEvent,     // index: rebuilds one event
  ScanFolder,     // text: a folder to index as a Library
  PlayStop,       // plays from the playhead, or stops (Space)
  ReturnToStart,  // the playhead back to the start (Home)
  LoopToggle,     // playing goes round the work area
  FindPrint,      // text: a delivered file whose Print to show; empty: the file browser picks one
  RevertToSource, // the shown Print's events and layers join the Session, locked (one undo step)
  RevertBounce,   // index: a bounced Clip, which gives way to its events and their layers
  SaveAsRecipe,   // text: the recipe's name, index: the event
  SaveAsChain,    // the Group of the selected event
  ApplyRecipe,    // text: the recipe, applied to the selected events
  SaveBusLayout,        // text: the name of a new bus layout template from the session's busses
  ApplyBusLayout,       // text: the template whose busses the session takes
  SetDefaultBusLayout,  // text: the template new sessions start with ("" for none)
  PreviewRecipe,  // text: the recipe whose preview to hear
  CheckForUpdates,  // asks the release server now
  ViewUpdate,       // opens the offered release's page
  DismissUpdate,    // hides the offered release
};

struct AppCommand {
  CommandId id;
  std::string text;
  int index = -1;
};

class CommandQueue {
 public:
  void post(CommandId id) { pending_.push_back({id, {}, -1}); }
  void post(AppCommand command) { pending_.push_back(std::move(command)); }
  bool empty() const { return pending_.empty(); }
  std::vector<AppCommand> takeAll() {
    std::vector<AppCommand> out;
    out.swap(pending_);
    return out;
  }

 private:
  std::vector<AppCommand> pending_;
};

}  // namespace vn
