#include "builder/compatibility.h"

#include <cmath>
#include <limits>

namespace vn {

void RecentUses::add(const std::string& path, float time) { times_[path].push_back(time); }

int RecentUses::count(const std::string& path) const {
  const auto it = times_.find(path);
  return it == times_.end() ? 0 : static_cast<int>(it->second.size());
}

float RecentUses::nearest(const std::string& path, float t) const {
  float best = std::numeric_limits<float>::infinity();
  const auto it = times_.find(path);
  if (it != times_.end())
    for (float use : it->second) best = std::min(best, std::fabs(t - use));
  return best;
}

float compatibility(const LibraryRecord& candidate, std::span<const PlacedSound> eventLayers,
                    const RecentUses* recent, float t) {
  for (const auto& placed : eventLayers) {
    if (placed.path == candidate.path) return 0.0f;
    if (candidate.groupId != 0 && placed.groupId == candidate.groupId) return 0.0f;
  }
  const int count = recent ? recent->count(candidate.path) : 0;
  if (count == 0) return 1.0f;
  const float dt = recent->nearest(candidate.path, t);
  const float base = dt < 3.0f ? 0.1f : dt < 5.0f ? 0.2f : dt < 12.0f ? 0.5f : 1.0f;
  const float repeats = count >= 4 ? 0.3f : count >= 2 ? 0.5f : 0.75f;
  return base * repeats;
}

}  // namespace vn
