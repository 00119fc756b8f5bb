#include "export/aaf_overlaps.h"

#include "platform/log.h"

namespace vn {

void resolveTrackOverlaps(std::vector<TrackSpan>& spans) {
  int64_t previousEnd = INT64_MIN;
  for (TrackSpan& s : spans) {
    const int64_t end = s.position + s.length;
    if (end <= previousEnd) {
      s.dropped = true;
      logLine("[AAF] OverlapWarning: clip %d fully overlapped on its track - dropped (%lld samples)\n", s.clipNumber,
              static_cast<long long>(s.length));
      continue;
    }
    if (s.position < previousEnd) {
      s.headTrim = previousEnd - s.position;
      s.position += s.headTrim;
      s.length -= s.headTrim;
      logLine("[AAF] OverlapWarning: clip %d overlaps the previous clip by %lld samples - head trimmed to stay at "
              "timecode\n",
              s.clipNumber, static_cast<long long>(s.headTrim));
    }
    previousEnd = s.position + s.length;
  }
}

}  // namespace vn
