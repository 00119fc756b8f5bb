#pragma once
// Bounce Selection to Clip as an edit of the Session: the events give way to one
// Clip of their rendered file, which keeps them whole so the bounce can be undone
// on any later day, not only through the undo history.
#include <string>
#include <vector>

#include "core/restore_events.h"
#include "core/session.h"

namespace vn {

// Replaces the events (positions) and their layers by a locked Clip of the file from
// start for duration seconds, whose bounceSource holds the events as they were.
// Returns the Clip's position, -1 when no position was valid.
int bounceEventsToClip(Session& session, std::vector<int> events, const std::string& path, const std::string& fileId,
                       float start, float duration);

// True for a Clip that a bounce made.
bool isBounce(const Session& session, int eventIdx);

// Puts a bounce's events back in place of its Clip, with layers (their eventIdx a
// position in the bounceSource, times of the timeline); the events come back locked,
// so they keep these layers. Nothing changes for an event that is not a bounce.
RestoreCounts revertBounce(Session& session, int clipIdx, std::vector<Layer> layers);

}  // namespace vn
