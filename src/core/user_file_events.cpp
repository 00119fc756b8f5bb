#include "core/user_file_events.h"

#include <algorithm>

#include "core/event_edit.h"
#include "core/session_edit.h"
#include "core/text_field.h"
#include "platform/paths.h"

namespace vn {
namespace {

// Older documents may carry shorter lists: they are brought to the files' length
// with the defaults before anything is added or taken away.
void fillParallelLists(Event& bed) {
  const size_t n = bed.pinnedFiles.size();
  bed.pinnedFileIds.resize(n);
  bed.bedLayerLoop.resize(n, true);
  bed.bedLayerWeight.resize(n, 1.0f);
}

}  // namespace

Event makeClipEvent(const std::string& path, const std::string& fileId, float fileSeconds, float time,
                    float maxDuration) {
  Event clip;
  clip.shape = ShapeType::Clip;
  clip.locked = true;
  clip.time = std::max(0.0f, time);
  clip.duration = std::min(fileSeconds, std::max(maxDuration, kShortestEvent));
  clip.hasPinned = true;
  clip.pinnedFile = cutText(path, cap::kPinnedFile);
  clip.pinnedFileId = fileId;
  clip.clipSourceDuration = clip.duration;
  clip.keywords = cutText(stemOf(path), cap::kEventKeywords);
  return clip;
}

Event makeBedEvent(float time, float duration) {
  Event bed;
  bed.shape = ShapeType::Bed;
  bed.locked = true;
  bed.intensityMode = 2;
  bed.time = std::max(0.0f, time);
  bed.duration = duration;
  return bed;
}

Event makeBedEventAt(const Session& session, float time) {
  const bool workArea = hasWorkArea(session);
  const float start = workArea ? session.workAreaIn : time;
  const float length = workArea ? session.workAreaOut - session.workAreaIn : 10.0f;
  return makeBedEvent(start, std::min(length, longestEventDuration(session.settings)));
}

bool addBedFile(Event& bed, const std::string& path, const std::string& fileId) {
  if (bed.shape != ShapeType::Bed) return false;
  fillParallelLists(bed);
  bed.hasPinned = true;
  bed.pinnedFiles.push_back(cutText(path, cap::kPinnedFile));
  bed.pinnedFileIds.push_back(fileId);
  bed.bedLayerLoop.push_back(true);
  bed.bedLayerWeight.push_back(1.0f);
  return true;
}

bool removeBedFile(Event& bed, size_t fileIdx) {
  if (fileIdx >= bed.pinnedFiles.size()) return false;
  fillParallelLists(bed);
  const auto at = static_cast<long>(fileIdx);
  bed.pinnedFiles.erase(bed.pinnedFiles.begin() + at);
  bed.pinnedFileIds.erase(bed.pinnedFileIds.begin() + at);
  bed.bedLayerLoop.erase(bed.bedLayerLoop.begin() + at);
  bed.bedLayerWeight.erase(bed.bedLayerWeight.begin() + at);
  bed.hasPinned = !bed.pinnedFiles.empty() || !bed.pinnedFile.empty();
  return true;
}

}  // namespace vn
