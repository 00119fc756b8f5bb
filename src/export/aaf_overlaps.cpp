#include "export/aaf_overlaps.h"

#include <climits>

#include "platform/log.h"

namespace vn {

void resolveTrackOverlaps(std::vector<TrackSpan>& spans) {
  int64_t previousEnd = INT64_MIN;
  const TrackSpan* previous = nullptr;
  for (TrackSpan& s : spans) {
    const int64_t end = s.position + s.length;
    if (end <= previousEnd) {
      s.dropped = true;
      logLine("[AAF] OverlapWarning: clip %d fully overlapped on its track - dropped (%lld samples)\n", s.clipNumber,
              static_cast<long long>(s.length));
      continue;
    }
    if (s.position < previousEnd) {
      const int64_t overlap = previousEnd - s.position;
      // A dissolve may not reach into the one at the previous clip's head.
      const bool fits = previous && previous->crossfade + overlap <= previous->length;
      if (fits && previous->fadeOut >= overlap && s.fadeIn >= overlap) {
        s.crossfade = overlap;
      } else {
        s.headTrim = overlap;
        s.position += s.headTrim;
        s.length -= s.headTrim;
        logLine("[AAF] OverlapWarning: clip %d overlaps the previous clip by %lld samples - head trimmed to stay at "
                "timecode\n",
                s.clipNumber, static_cast<long long>(s.headTrim));
      }
    }
    previousEnd = s.position + s.length;
    previous = &s;
  }
}

}  // namespace vn
