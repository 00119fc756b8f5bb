#pragma once
// The demo's build step: sounds chosen and layered for the demo session from the
// scanned demo library.
#include "core/session.h"

namespace vn::cli {

// Builds every unlocked event and runs the layering passes; prints what it did.
// False (with one sentence on standard error) when no layer could be made.
bool BuildDemoEvents(Session& session);

}  // namespace vn::cli
