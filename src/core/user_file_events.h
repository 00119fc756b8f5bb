#pragma once
// Events made of the user's own files: a Clip plays one file; a Bed holds fixed
// background layers (its pinned files), each looped end to end or shuffled. Both are
// locked, so a build never replaces what the user chose. A Bed's files, their
// library ids, loop flags and weights are parallel lists; these are the only edits
// that change them, so they stay in step.
#include <string>

#include "core/session.h"

namespace vn {

// A Clip of the file at time, as long as the file (fileSeconds) but no longer than
// maxDuration; its search words are the file's name.
Event makeClipEvent(const std::string& path, const std::string& fileId, float fileSeconds, float time,
                    float maxDuration);
// An empty Bed from time for duration.
Event makeBedEvent(float time, float duration);
// An empty Bed over the session's work area, or when none is set ten seconds from
// time; never longer than the longest event.
Event makeBedEventAt(const Session& session, float time);
// Adds the file to the Bed's layers, looped end to end at full weight. False for an
// event that is not a Bed.
bool addBedFile(Event& bed, const std::string& path, const std::string& fileId);
// False when there is no such file.
bool removeBedFile(Event& bed, size_t fileIdx);

}  // namespace vn
