#pragma once
// Sessions for the delivery fit tests: layers placed by hand or at random on
// busses with chosen declarations, routed as the render pipeline routes them,
// and render caches holding a block for each layer.
#include <array>
#include <cstdint>
#include <vector>

#include "core/session.h"
#include "render/render_cache.h"

namespace vn::test {

// A session with busCount busses named "Bus 1".. and no declarations.
Session deliverySession(int busCount);
// Appends a layer of a new or given event on bus; returns its index.
int addFitLayer(Session& session, int bus, float start, float duration, std::array<float, 5> shares, int eventIdx = -1,
                int fmt = 1);
// Packs the layers onto session tracks as the pipeline does.
void routeLayers(Session& session);

// A seeded session: layers over busses, about half of them declaring random slots.
Session randomDeliverySession(uint32_t seed, int layers, int busses);

// One block per layer, a short constant-free signal derived from the layer's index,
// at unit gains; layers listed in skip get no block.
void fillCache(RenderCache& cache, const Session& session, int sampleRate, const std::vector<int>& skip = {});

}  // namespace vn::test
