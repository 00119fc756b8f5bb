#include "export/aaf_delivery.h"

#include <algorithm>
#include <cmath>

#include "export/delivery_audio.h"
#include "render/spatial_layout.h"

namespace vn {

std::vector<DeliveryTrack> aafDeliveryTracks(const Session& session, const RenderCache& cache,
                                             const DeliveryResult* fit, float spatialAmount) {
  DeliveryResult asItIs;
  if (!fit) {
    asItIs = deliveryAsItIs(session);
    fit = &asItIs;
  }
  const std::vector<int> blockOfLayer = blocksByLayer(cache, session.results);
  const double rate = cache.sampleRate > 0 ? cache.sampleRate : 48000;
  std::vector<DeliveryTrack> tracks;
  for (const FittedTrack& t : fit->tracks) {
    DeliveryTrack track;
    track.name = t.name;
    track.fmt = t.fmt;
    track.channels = channelFormatChannels(t.fmt);
    track.spatialAmount = spatialAmount;
    for (int index : t.items) {
      if (index < 0 || index >= static_cast<int>(fit->items.size())) continue;
      const FittedItem& item = fit->items[index];
      DeliveryClip clip;
      clip.position = std::max<int64_t>(0, std::llround(static_cast<double>(item.start) * rate));
      if (item.comp >= 0 && item.comp < static_cast<int>(fit->comps.size())) {
        const FoldComp& comp = fit->comps[item.comp];
        if (comp.audio.empty() || comp.audio[0].empty()) continue;
        clip.compName = comp.name;
        clip.compMembers = comp.members;
        clip.compAudio = comp.audio;
        clip.length = static_cast<int64_t>(comp.audio[0].size());
      } else {
        const int block = item.layer >= 0 && item.layer < static_cast<int>(blockOfLayer.size())
                              ? blockOfLayer[item.layer]
                              : -1;
        if (block < 0) continue;
        clip.block = block;
        clip.length = static_cast<int64_t>(cache.blocks[block].left.size());
      }
      track.clips.push_back(std::move(clip));
    }
    if (track.clips.empty()) continue;
    std::stable_sort(track.clips.begin(), track.clips.end(),
                     [](const DeliveryClip& a, const DeliveryClip& b) { return a.position < b.position; });
    tracks.push_back(std::move(track));
  }
  return tracks;
}

}  // namespace vn
