#include "core/bounce_edit.h"

#include <algorithm>

#include "core/session_edit.h"
#include "core/user_file_events.h"

namespace vn {

int bounceEventsToClip(Session& session, std::vector<int> events, const std::string& path, const std::string& fileId,
                       float start, float duration) {
  std::sort(events.begin(), events.end());
  events.erase(std::unique(events.begin(), events.end()), events.end());
  std::erase_if(events, [&](int e) { return e < 0 || e >= static_cast<int>(session.events.size()); });
  if (events.empty()) return -1;
  Event clip = makeClipEvent(path, fileId, duration, start, duration);
  for (int e : events) clip.bounceSource.push_back(session.events[static_cast<size_t>(e)]);
  deleteEvents(session, events);
  return addEvent(session, std::move(clip));
}

bool isBounce(const Session& session, int eventIdx) {
  return eventIdx >= 0 && eventIdx < static_cast<int>(session.events.size()) &&
         !session.events[static_cast<size_t>(eventIdx)].bounceSource.empty();
}

RestoreCounts revertBounce(Session& session, int clipIdx, std::vector<Layer> layers) {
  if (!isBounce(session, clipIdx)) return {};
  std::vector<Event> events = session.events[static_cast<size_t>(clipIdx)].bounceSource;
  deleteEvents(session, {clipIdx});
  return addRestoredEvents(session, std::move(events), std::move(layers));
}

}  // namespace vn
