#pragma once
// The demo's picture step: a generated reel, read like any video, its kept events
// imported into the demo session.
#include <string>

#include "core/session.h"

namespace vn::cli {

// Writes the reel into folder, reads its picture, writes its trace file beside
// projectPath and imports the kept events into session. False (with one sentence
// on standard error) when the video cannot be made or read.
bool ReadDemoPicture(const std::string& folder, const std::string& projectPath, Session& session);

}  // namespace vn::cli
