#include "app/clip_actions.h"

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "builder/source_probe.h"
#include "core/session_edit.h"
#include "core/user_file_events.h"
#include "library/audio_extensions.h"
#include "library/file_identity.h"
#include "platform/paths.h"

namespace vn {

int placeClip(AppState& app, const std::string& path, double time) {
  const std::optional<LibraryRecord> probe = probeSourceFile(path);
  if (!probe || probe->duration <= 0.0f) {
    setStatus(app, "Not a sound file this program can read: " + fileNameOf(path));
    return -1;
  }
  if (!beginEdit(app, "Place Clip")) return -1;
  const int index = addEvent(app.session, makeClipEvent(path, FileIdForPath(path), probe->duration,
                                                         static_cast<float>(time),
                                                         app.session.settings.maxEventDuration));
  selectOnly(app.selection, index);
  setStatus(app, "Clip - one audio file");
  return index;
}

int placeBed(AppState& app) {
  if (!beginEdit(app, "Place Bed")) return -1;
  const int index = addEvent(app.session, makeBedEventAt(app.session, static_cast<float>(app.playhead)));
  selectOnly(app.selection, index);
  setStatus(app, "Bed - fixed background layers: drop sound files on it");
  return index;
}

bool addBedFile(AppState& app, int eventIdx, const std::string& path) {
  if (eventIdx < 0 || eventIdx >= static_cast<int>(app.session.events.size())) return false;
  if (app.session.events[eventIdx].shape != ShapeType::Bed || !HasAudioFileExtension(path)) return false;
  if (!beginEdit(app, "Add bed layer")) return false;
  addBedFile(app.session.events[eventIdx], path, FileIdForPath(path));
  setStatus(app, "Added " + fileNameOf(path) + " to the bed");
  return true;
}

void removeBedFile(AppState& app, int eventIdx, size_t fileIdx) {
  if (eventIdx < 0 || eventIdx >= static_cast<int>(app.session.events.size())) return;
  if (fileIdx >= app.session.events[eventIdx].pinnedFiles.size() || !beginEdit(app, "Remove bed layer")) return;
  removeBedFile(app.session.events[eventIdx], fileIdx);
}

void browseForClip(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Place Clip", documentsFolder(), HasAudioFileExtension,
                  [&app](const std::string& path) { app.commands.post({CommandId::PlaceClip, path, -1}); });
}

}  // namespace vn
