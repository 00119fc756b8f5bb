#include "app/library_actions.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/drop_classify.h"
#include "app/edit_actions.h"
#include "app/provenance_actions.h"
#include "app/render_actions.h"
#include "core/session_edit.h"
#include "library/audio_extensions.h"
#include "library/libraries.h"
#include "library/missing_sources.h"
#include "library/relink.h"
#include "library/scan.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr double kRecountSeconds = 5.0;

void reportRelink(AppState& app, int count) {
  app.relink.message = RelinkSummary(count);
  setStatus(app, app.relink.message);
  // Every use of a relinked file follows it, as varnel-cli relink does: layers, their
  // Alloy sources and the events' own files; the new paths are heard at once.
  if (count > 0 && !sessionBusy(app) && ApplyCurrentSourcePaths(app.session) > 0) {
    markDirty(app.session);
    refreshCacheAfterUndo(app);
  }
  app.relink.countedAt = -1e9;
}

void relinkOne(AppState& app, const std::string& fileId, const std::string& path) {
  switch (RelinkOne(fileId, path)) {
    case kRelinked: reportRelink(app, 1); break;
    case kRelinkDifferentContent:
      app.relink.askFileId = fileId;
      app.relink.askPath = path;
      break;
    case kRelinkUnreadable: app.relink.message = "Could not read the selected file"; break;
    default: app.relink.message = "This source is no longer known"; break;
  }
}

}  // namespace

RelinkState::~RelinkState() {
  cancel = 1;
  if (thread.joinable()) thread.join();
}

int loadedLibraryCount() {
  LibraryList& list = AppLibraries();
  std::lock_guard<std::mutex> lock(list.mutex);
  return static_cast<int>(list.libraries.size());
}

int missingSourceCount(AppState& app) {
  RelinkState& r = app.relink;
  const uint64_t generation = FileIdentityGeneration();
  if (!r.running && (generation != r.generation || app.now - r.countedAt > kRecountSeconds)) {
    r.missing = MissingSources();
    r.generation = generation;
    r.countedAt = app.now;
  }
  return static_cast<int>(r.missing.size());
}

void startLibraryScan(AppState& app, const std::string& folder) {
  ScanRequest request;
  request.folder = folder;
  request.channelOrderFallback = app.prefs.channelOrderFallback;
  if (!StartScan(app.scan, request)) {
    setStatus(app, "A scan is already running");
    return;
  }
  const bool known = std::any_of(app.prefs.libraryRoots.begin(), app.prefs.libraryRoots.end(),
                                 [&](const LibraryRoot& root) { return root.path == folder; });
  if (!known) {
    app.prefs.libraryRoots.push_back({folder, true, -1});
    app.preferencesChanged = true;
  }
  app.focusPanel = "Library";
  setStatus(app, "Scanning " + fileNameOf(folder));
}

void browseLibraryFolder(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::PickFolder, "Add a Library Folder", documentsFolder(), {},
                  [&app](const std::string& folder) { app.commands.post({CommandId::ScanFolder, folder, -1}); });
}

void browseRelinkFile(AppState& app, const std::string& fileId) {
  const std::string last = CurrentPathForFileId(fileId);
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Relink " + fileNameOf(last), parentFolder(last),
                  HasAudioFileExtension,
                  [&app, fileId](const std::string& path) { relinkOne(app, fileId, path); });
}

void forceRelinkPending(AppState& app) {
  if (ForceRelink(app.relink.askFileId, app.relink.askPath) == kRelinked) reportRelink(app, 1);
  app.relink.askFileId.clear();
  app.relink.askPath.clear();
}

void browseRelinkFolder(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::PickFolder, "Relink all from a Folder", documentsFolder(), {},
                  [&app](const std::string& folder) {
                    RelinkState& r = app.relink;
                    if (r.running) return;
                    if (r.thread.joinable()) r.thread.join();
                    r.cancel = 0;
                    r.running = true;
                    r.message.clear();
                    r.done = 0;
                    r.total = 0;
                    r.thread = std::thread([&r, folder] {
                      RelinkWatch watch;
                      watch.cancel = &r.cancel;
                      watch.progress = [&r](size_t done, size_t total) {
                        r.done = static_cast<int>(done);
                        r.total = static_cast<int>(total);
                      };
                      r.found = RelinkFromFolder(folder, {}, watch);
                      r.running = false;
                    });
                  });
}

bool acceptLibraryDrop(AppState& app, const DroppedItem& item) {
  if (item.kind == DropKind::Folder) {
    app.commands.post({CommandId::ScanFolder, item.path, -1});
    return true;
  }
  if (acceptDeliveredFileDrop(app, item)) return true;
  if (item.kind == DropKind::Audio) {
    app.droppedSounds.push_back(item.path);
    return true;
  }
  return false;
}

void pollLibraryJobs(AppState& app) {
  RelinkState& r = app.relink;
  if (!r.running && r.thread.joinable()) {
    r.thread.join();
    reportRelink(app, r.found);
  }
  if (!app.droppedSounds.empty()) {
    const PaletteResult result = CreatePalette(app.droppedSounds, {});
    app.droppedSounds.clear();
    setStatus(app, result.saved ? "Made the palette " + result.palette.name
                                : "Made the palette " + result.palette.name + " (its index could not be written)");
  }
}

}  // namespace vn
