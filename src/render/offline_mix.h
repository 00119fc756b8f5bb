#pragma once
// Offline mixes of the render cache through the same mixer the device plays:
// the mixdown (optionally of one bus, a stem) in any layout, and the wet
// reverb stem.
#include <atomic>
#include <functional>
#include <vector>

#include "render/mixer.h"
#include "render/render_cache.h"

namespace vn {

struct MixdownBuffer {
  int sampleRate = 48000;
  std::vector<std::vector<float>> channels;  // one buffer per channel
  long frames() const { return channels.empty() ? 0 : static_cast<long>(channels[0].size()); }
};

struct OfflineMixRequest {
  MixSettings settings;  // monitor gives the layout and whether it is rendered binaurally
  double start = 0.0;    // timeline seconds
  double end = 0.0;
  int busFilter = -1;    // >= 0: only this bus (a stem)
};

// Progress callback: fraction done 0..1; returning false cancels.
using MixProgress = std::function<bool(double)>;

// The mixdown in the request's layout (2 channels when binaural). False when
// cancelled or when the mixer could not be allocated. With `wetReturn` the same
// pass keeps the reverb's wet return there too (stereo; left empty when the reverb
// is off), so a mixdown and its reverb stem cost one reverb.
bool renderMixdown(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress = {}, MixdownBuffer* wetReturn = nullptr);

// Each bus of `busses` through a mixer of its own into stems[i], all in one sweep
// of the timeline; with `sum` the stems' sum (the mixdown, the mixer being linear)
// and with `wetSum` the sum of their wet returns (stereo; left empty when the
// reverb is off) are made alongside, so neither costs a pass or a reverb of its own.
bool renderBusStems(const RenderCache& cache, const OfflineMixRequest& request, const std::vector<int>& busses,
                    std::vector<MixdownBuffer>& stems, MixdownBuffer* sum, MixdownBuffer* wetSum,
                    const MixProgress& progress = {});

// The wet reverb stem: the sends of every unmuted block through a fresh
// processor, as stereo. False when cancelled or the processor could not be allocated.
bool renderReverbStem(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                      const MixProgress& progress = {});

// The timeline end of the cache in seconds: the latest block end, at least `minimum`.
double cacheEndSeconds(const RenderCache& cache, double minimum);

}  // namespace vn
