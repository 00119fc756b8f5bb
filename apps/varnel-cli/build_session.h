#pragma once
// What the build, reroll and demo commands share: the application's Libraries as
// the engine takes them, a whole build with the layering passes, and the
// one-line description of a layer.
#include <optional>
#include <string>
#include <vector>

#include "builder/build_run.h"
#include "core/session.h"
#include "library/libraries.h"

namespace vn::cli {

// Pointers to the Libraries of the list; the caller holds the list's mutex.
std::vector<const Library*> libraryPointers(LibraryList& list);

// Builds the session against the Libraries of the application data folder, then
// runs the layering passes as the user's preferences ask.
BuildSummary buildWithAppLibraries(Session& session, BuildEngineState& state, const BuildOptions& options);

// "   2  Glass_Break_01   score 67.6   at 00:00:01:03   1.16 s  from 0.27 s  weight 0.43";
// score: the pick's ranking score, none for the user's own files.
std::string layerLine(const Session& session, int layerIndex, std::optional<float> score);

}  // namespace vn::cli
