#pragma once
// One track holds one clip at a time: a clip wholly inside the one before it is
// dropped; a clip starting inside it cross-fades with it when the previous clip's
// fade-out and its own fade-in both cover the overlap, and otherwise loses its head
// so it stays at its timecode.
#include <cstdint>
#include <vector>

namespace vn {

struct TrackSpan {
  int clipNumber = 0;    // for the warning lines
  int64_t position = 0;  // samples
  int64_t length = 0;
  int64_t fadeIn = 0, fadeOut = 0;  // samples
  int64_t headTrim = 0;   // set: samples taken off the head
  int64_t crossfade = 0;  // set: samples this clip dissolves from the previous one
  bool dropped = false;   // set
};

// Spans in timeline order; logs an OverlapWarning line for each drop or trim.
void resolveTrackOverlaps(std::vector<TrackSpan>& spans);

}  // namespace vn
