#include "export/delivery_placement.h"

#include <algorithm>
#include <numeric>

#include "export/delivery_traits.h"

namespace vn {

std::vector<DeclaredTrack> declaredTrackList(const Bus& bus) {
  std::vector<DeclaredTrack> out;
  for (size_t s = 0; s < bus.slots.size(); ++s)
    for (int k = 0; k < bus.slots[s].count; ++k) out.push_back({static_cast<int>(s), bus.slots[s].fmt});
  return out;
}

std::vector<int> placeOnDeclaredTracks(const std::vector<PlacementSpan>& spans, const std::vector<DeclaredTrack>& tracks) {
  std::vector<size_t> order(spans.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return spans[a].start < spans[b].start; });
  std::vector<float> trackEnds(tracks.size(), -1e30f);
  std::vector<int> placed(spans.size(), -1);
  for (size_t i : order) {
    int chosen = -1;
    for (size_t t = 0; t < tracks.size(); ++t) {
      if (trackEnds[t] > spans[i].start + kFoldTimeTolerance) continue;
      if (chosen < 0) chosen = static_cast<int>(t);
      if (tracks[t].fmt == spans[i].fmt) {
        chosen = static_cast<int>(t);
        break;
      }
    }
    if (chosen < 0) continue;
    trackEnds[chosen] = spans[i].end;
    placed[i] = chosen;
  }
  return placed;
}

}  // namespace vn
