#pragma once
// The delivery an AAF session ships: the fitted delivery's tracks, each clip one
// placed layer (its Rendered block) or one fold comp (its rendered audio).
#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"
#include "export/delivery_fit.h"
#include "render/render_cache.h"

namespace vn {

struct DeliveryClip {
  int block = -1;        // the layer's Rendered block; -1 for a comp
  int64_t position = 0;  // timeline samples
  int64_t length = 0;    // samples
  // A comp: its name, its members (indices into the session's results) and its
  // audio in the track's channels.
  std::string compName;
  std::vector<int> compMembers;
  std::vector<std::vector<float>> compAudio;
  bool isComp() const { return block < 0; }
};

struct DeliveryTrack {
  std::string name;
  int fmt = static_cast<int>(ChannelFormat::Stereo);
  int channels = 2;             // of fmt: 1, 2, 6 or 8
  float spatialAmount = 0.0f;   // how a layer's pair spreads over a wider track
  std::vector<DeliveryClip> clips;  // in timeline order
};

// The fit's tracks that carry a clip, in its order: every layer with audio in the
// cache at its delivery start, every rendered comp. Without a fit (one that no
// longer lines up with the session) the session ships as it is: each layer on its
// own bus's tracks in its own format.
std::vector<DeliveryTrack> aafDeliveryTracks(const Session& session, const RenderCache& cache,
                                             const DeliveryResult* fit, float spatialAmount);

}  // namespace vn
