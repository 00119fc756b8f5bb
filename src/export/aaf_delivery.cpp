#include "export/aaf_delivery.h"

#include <algorithm>
#include <cmath>

namespace vn {

std::vector<DeliveryTrack> standInDeliveryTracks(const Session& session, const RenderCache& cache) {
  std::vector<DeliveryTrack> tracks;
  const TrackLayout& layout = session.trackLayout;
  const int rate = cache.sampleRate;
  for (int position = 0; position < layout.busCount && position < kMaxBusses; ++position) {
    const int busIndex = layout.busOrder[position];
    if (busIndex < 0 || busIndex >= kMaxBusses) continue;
    const Bus& bus = layout.busses[busIndex];
    DeliveryTrack track;
    track.name = bus.name.empty() ? "Bus " + std::to_string(position + 1) : bus.name;
    track.channels = !bus.slots.empty() && bus.slots.front().fmt == static_cast<int>(ChannelFormat::Mono) ? 1 : 2;
    for (size_t b = 0; b < cache.blocks.size(); ++b) {
      const RenderedBlock& block = cache.blocks[b];
      if (block.muted || block.bus != busIndex || block.left.empty()) continue;
      DeliveryClip clip;
      clip.block = static_cast<int>(b);
      clip.position = std::max<int64_t>(0, std::llround(static_cast<double>(block.start) * rate));
      clip.length = static_cast<int64_t>(block.left.size());
      track.clips.push_back(clip);
    }
    if (track.clips.empty()) continue;
    std::stable_sort(track.clips.begin(), track.clips.end(),
                     [](const DeliveryClip& a, const DeliveryClip& b) { return a.position < b.position; });
    tracks.push_back(std::move(track));
  }
  return tracks;
}

}  // namespace vn
