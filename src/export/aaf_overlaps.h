#pragma once
// One track holds one clip at a time: a clip wholly inside the one before it is
// dropped, a clip starting inside it loses its head so it stays at its timecode.
#include <cstdint>
#include <vector>

namespace vn {

struct TrackSpan {
  int clipNumber = 0;    // for the warning lines
  int64_t position = 0;  // samples
  int64_t length = 0;
  int64_t headTrim = 0;  // set: samples taken off the head
  bool dropped = false;  // set
};

// Spans in timeline order; logs an OverlapWarning line for each change.
void resolveTrackOverlaps(std::vector<TrackSpan>& spans);

}  // namespace vn
