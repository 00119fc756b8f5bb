#include "app/clip_actions.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "builder/source_probe.h"
#include "core/session_edit.h"
#include "core/text_field.h"
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
  Event clip;
  clip.shape = ShapeType::Clip;
  clip.locked = true;
  clip.time = static_cast<float>(std::max(0.0, time));
  clip.duration = std::min(probe->duration, std::max(app.session.settings.maxEventDuration, 0.1f));
  clip.hasPinned = true;
  clip.pinnedFile = cutText(path, cap::kPinnedFile);
  clip.pinnedFileId = FileIdForPath(path);
  clip.clipSourceDuration = clip.duration;
  clip.keywords = cutText(stemOf(path), cap::kEventKeywords);
  const int index = addEvent(app.session, std::move(clip));
  selectOnly(app.selection, index);
  setStatus(app, "Clip - one audio file");
  return index;
}

int placeBed(AppState& app) {
  if (!beginEdit(app, "Place Bed")) return -1;
  const Session& s = app.session;
  Event bed;
  bed.shape = ShapeType::Bed;
  bed.locked = true;
  bed.intensityMode = 2;
  const bool workArea = s.workAreaIn >= 0 && s.workAreaOut > s.workAreaIn;
  bed.time = workArea ? s.workAreaIn : static_cast<float>(app.playhead);
  bed.duration = std::min(workArea ? s.workAreaOut - s.workAreaIn : 10.0f, std::max(s.settings.maxEventDuration, 0.1f));
  const int index = addEvent(app.session, std::move(bed));
  selectOnly(app.selection, index);
  setStatus(app, "Bed - fixed background layers: drop sound files on it");
  return index;
}

bool addBedFile(AppState& app, int eventIdx, const std::string& path) {
  if (eventIdx < 0 || eventIdx >= static_cast<int>(app.session.events.size())) return false;
  if (app.session.events[eventIdx].shape != ShapeType::Bed || !HasAudioFileExtension(path)) return false;
  if (!beginEdit(app, "Add bed layer")) return false;
  Event& bed = app.session.events[eventIdx];
  bed.hasPinned = true;
  bed.pinnedFiles.push_back(path);
  bed.pinnedFileIds.resize(bed.pinnedFiles.size() - 1);
  bed.pinnedFileIds.push_back(FileIdForPath(path));
  bed.bedLayerLoop.resize(bed.pinnedFiles.size() - 1, true);
  bed.bedLayerLoop.push_back(true);
  bed.bedLayerWeight.resize(bed.pinnedFiles.size() - 1, 1.0f);
  bed.bedLayerWeight.push_back(1.0f);
  setStatus(app, "Added " + fileNameOf(path) + " to the bed");
  return true;
}

void removeBedFile(AppState& app, int eventIdx, size_t fileIdx) {
  if (eventIdx < 0 || eventIdx >= static_cast<int>(app.session.events.size())) return;
  Event& bed = app.session.events[eventIdx];
  if (fileIdx >= bed.pinnedFiles.size() || !beginEdit(app, "Remove bed layer")) return;
  auto eraseAt = [fileIdx](auto& list) {
    if (fileIdx < list.size()) list.erase(list.begin() + static_cast<long>(fileIdx));
  };
  eraseAt(bed.pinnedFiles);
  eraseAt(bed.pinnedFileIds);
  eraseAt(bed.bedLayerLoop);
  eraseAt(bed.bedLayerWeight);
}

void browseForClip(AppState& app) {
  openFileBrowser(app.browser, BrowseMode::OpenFile, "Place Clip", documentsFolder(), HasAudioFileExtension,
                  [&app](const std::string& path) { app.commands.post({CommandId::PlaceClip, path, -1}); });
}

}  // namespace vn
