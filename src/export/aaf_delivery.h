#pragma once
// The delivery an AAF session ships: tracks of placed clips, each clip one rendered
// layer. Until the delivery fit hands its tracks over, a stand-in gives one track
// per bus in use.
#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

struct DeliveryClip {
  int block = 0;         // index into the render cache's blocks
  int64_t position = 0;  // timeline samples
  int64_t length = 0;    // samples
};

struct DeliveryTrack {
  std::string name;
  int channels = 1;  // 1 mono, 2 stereo
  std::vector<DeliveryClip> clips;  // in timeline order
};

// One track per bus that holds unmuted blocks, in the layout's bus order; a bus whose
// first slot is mono delivers mono, any other delivers stereo.
std::vector<DeliveryTrack> standInDeliveryTracks(const Session& session, const RenderCache& cache);

}  // namespace vn
