#pragma once
// "Next sound" and "Previous sound" on a single layer.
#include <cstdint>

#include "builder/candidates.h"
#include "builder/engine_state.h"
#include "core/session.h"

namespace vn {

// Replaces the layer's sound with another candidate of its event, preferring
// another stretch of the same file while it has one, else sounds close to the
// current one; narrow draws from the best 3 instead of the best 8. The earlier
// sound goes to the layer's history. Alloy layers are left alone. True when the
// layer changed.
bool rerollLayer(Session& session, LibraryView libraries, BuildEngineState& state, int layerIndex, bool narrow,
                 int64_t nowSeconds);

// Brings back the sound the layer had before its last re-roll. True when there was one.
bool previousSound(Session& session, BuildEngineState& state, int layerIndex);

}  // namespace vn
