#pragma once
// How well a candidate goes with the layers already placed: never the same file
// (or the same multi-mono group) twice in one event, and fewer repeats of a file
// the build used a moment ago.
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/library.h"

namespace vn {

struct PlacedSound {
  std::string path;
  uint64_t groupId = 0;   // multi-mono group, 0 = none
  float length = 0.0f;    // the layer's length on the timeline
};

// The files a build has used so far, with the timeline times they were used at.
class RecentUses {
 public:
  void add(const std::string& path, float time);
  // Number of uses of the path and the smallest distance of one of them to t.
  int count(const std::string& path) const;
  float nearest(const std::string& path, float t) const;

 private:
  std::unordered_map<std::string, std::vector<float>> times_;
};

// 0 when the event already uses the file or its multi-mono group; otherwise a
// factor 0.03..1 that falls with the number and nearness of recent uses at time t.
// recent may be null (no recent uses).
float compatibility(const LibraryRecord& candidate, std::span<const PlacedSound> eventLayers,
                    const RecentUses* recent, float t);

}  // namespace vn
