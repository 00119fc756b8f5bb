#pragma once
// Events made of the user's own files: a Clip plays one file; a Bed holds fixed
// background layers (its pinned files), each looped end to end or shuffled.
#include <string>

namespace vn {

struct AppState;

// A Clip of the whole file at time; -1 (with a status text) when the file is not audio.
int placeClip(AppState& app, const std::string& path, double time);
// An empty Bed over the work area, or ten seconds from the playhead.
int placeBed(AppState& app);
// Adds the file to the Bed's layers, looped end to end.
bool addBedFile(AppState& app, int eventIdx, const std::string& path);
void removeBedFile(AppState& app, int eventIdx, size_t fileIdx);

void browseForClip(AppState& app);

}  // namespace vn
