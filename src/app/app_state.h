#pragma once
// Everything the application shell owns for the life of the process: the Session and
// the interface state around it. The interface thread is the only one that changes
// the Session; background jobs report back through their own flags.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_command.h"
#include "app/bounce_actions.h"
#include "app/delivery_actions.h"
#include "app/drop_classify.h"
#include "app/export_actions.h"
#include "app/file_browser.h"
#include "app/kept_raster.h"
#include "app/library_actions.h"
#include "app/panels.h"
#include "app/picture_state.h"
#include "app/provenance_actions.h"
#include "app/recipe_actions.h"
#include "app/selection.h"
#include "app/status_message.h"
#include "app/timeline_drag.h"
#include "app/timeline_layout.h"
#include "app/timeline_view.h"
#include "app/transport_state.h"
#include "app/undo_history.h"
#include "app/waveforms.h"
#include "audio/audio_output.h"
#include "audio/playback_engine.h"
#include "core/preferences.h"
#include "core/project_commands.h"
#include "core/session.h"
#include "library/scan.h"
#include "render/render_pipeline.h"
#include "update/update_check.h"

namespace vn {

struct AppState {
  Session session;
  Preferences prefs;
  PictureState picture;    // the reference video, its frame texture and the picture read
  ProjectContext project;  // the project path and the project commands' hooks
  RenderPipeline render;   // the render worker and the render cache
  AudioOutput audio;
  std::unique_ptr<PlaybackEngine> playback;

  CommandQueue commands;
  UndoHistory history;
  Selection selection;
  TimelineView timeline;
  bool fitPending = true;  // zoom to fit on the next frame (after an open)
  double playhead = 0.0;   // seconds
  TransportState transport;
  bool drawMode = false;   // dragging inside an event paints its curve
  int drawCurve = 0;       // 0 the weight curve, 1 the intensity curve
  ShapeType drawShape = ShapeType::Bloom;  // the shape of events drawn on empty timeline
  std::vector<Event> clipboard;
  std::vector<std::string> droppedSounds;  // sound files dropped on the Library, made a Palette next frame
  ScanStatus scan;
  RelinkState relink;
  std::string keywordDraft;  // the inspector's keyword field while it is edited
  int keywordDraftEvent = -1;
  bool keywordDraftActive = false;
  std::string eventFilter;  // the Events panel's filter text
  std::shared_ptr<BounceJob> bounceJob;  // a Bounce Selection to Clip on the worker
  ProvenanceView provenance;  // the delivered file the Provenance panel shows
  PresetListsState presets;  // the saved recipes and chains, as last listed

  StatusMessage status;
  std::optional<PendingDrop> drop;
  float dropX = 0.0f, dropY = 0.0f;  // where the drop being handed to the panels landed
  FileBrowser browser;
  std::string focusPanel;  // a panel to bring to the front on the next frame
  std::vector<PanelArea> panelAreas;  // where each visible panel was drawn last frame
  bool showAbout = false;
  bool showLauncher = false;
  bool quit = false;

  double now = 0.0;  // interface clock, seconds
  float uiScale = 1.0f;
  bool fontsDirty = false;  // the text size preference changed: fonts are rebuilt before the next frame
  int inputFrames = 0;  // frames still to draw after input, so hover and release settle
  long framesDrawn = 0;
  long framesRasterised = 0;  // frames drawn afresh rather than copied from the kept raster
  KeptRaster raster;
  uint64_t textureEpoch = 0;  // counts changes to the contents of textures the interface draws
  TimelineDrag timelineDrag;
  float trackOriginX = 0.0f;  // where row coordinate 0 at time leftTime was drawn last frame
  float trackOriginY = 0.0f;
  TimelineMetrics trackMetrics;
  int contextEvent = -1;  // the event whose context menu is open
  bool buildPosted = false;  // a build job is out; its outcome goes to the status line
  bool balancePending = false;  // the bus loudness settings changed while the render worker was busy
  WaveformIndex waveforms;
  ExportPanelState exportState;
  DeliveryPreview deliveryPreview;
  std::atomic<bool> preferencesChanged{false};
  // The update check's address and trust, and the channel its thread answers through.
  UpdateCheckSettings updateSettings = updateCheckSettingsFromEnvironment();
  UpdateCheckHandle updateCheck;
};

// Shows a status text in the status line.
inline void setStatus(AppState& app, std::string text) { postStatus(app.status, std::move(text), app.now); }

}  // namespace vn
