#pragma once
// Bus balancing: every Rendered block is gained so that each bus sits at its
// own target loudness, never above a -1 dBFS peak.
#include <array>
#include <vector>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn {

// The bus-balancing gain of a block of this loudness and peak for a target:
// the change is limited to -30 .. +18 dB and the peak held at 0.891. A block
// at -90 LUFS or below keeps 1.
float busBalanceGain(float loudnessLufs, float samplePeak, float targetLufs);

// Sets every block's normGain (and its Layer's) for the bus targets, or 1 when
// the session's normalizeLUFS is off, then finalises the cache. Loudness and
// peak are measured once per block and kept. Only the render worker changes
// blocks, so the measuring reads them without holding the cache mutex.
void balanceBusses(RenderCache& cache, Session& session);

}  // namespace vn
