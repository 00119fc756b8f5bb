#pragma once
// Edits of the Session that keep its cross references whole: a Layer points at
// its Event by position, a background Event at its Scene by position, a fold at
// another Layer by id, and a linked Group exists only while an event carries its
// name. Every edit marks the Session dirty.
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

void markDirty(Session& session);

// One more than the largest layer id in use: the id for the next new Layer.
uint32_t nextLayerId(const Session& session);

// Appends event; returns its position.
int addEvent(Session& session, Event event);
// Removes the events at the given positions together with their layers; the
// layers of later events follow their events down.
void deleteEvents(Session& session, std::vector<int> positions);
// newOrder[i] is the current position of the event that moves to position i; it
// must hold every position once, else nothing changes (returns false).
bool reorderEvents(Session& session, const std::vector<int>& newOrder);
bool moveEvent(Session& session, int from, int to);
// Orders the events by start time (stable), carrying their layers along.
void sortEventsByTime(Session& session);
// Puts a whole bus table in place (a layout template applied); events whose bus
// override names a bus the new table lacks go back to their shape's home bus.
void replaceTrackLayout(Session& session, const TrackLayout& layout);
// Replaces the layers of one event with layers (their eventIdx is set here).
void replaceEventLayers(Session& session, int eventIdx, std::vector<Layer> layers);
// Removes the layers whose ids are listed; folds into them are released.
void deleteLayers(Session& session, const std::vector<uint32_t>& layerIds);

// Appends a Scene from inTime to outTime named "Scene N" with the first N no scene
// has; returns its position.
int addScene(Session& session, float inTime, float outTime);
// Removes a scene; its backgrounds are unlinked and later links follow.
void deleteScene(Session& session, int sceneIdx);

// Group edits by name: every event whose folder equals the name belongs to it.
void renameGroup(Session& session, const std::string& from, const std::string& to);
void ungroup(Session& session, const std::string& name);
// Puts the events into a new Group named "Group N" with the first N no event carries;
// returns the name.
std::string groupEvents(Session& session, const std::vector<int>& events);
// Linked groups whose name no event carries any more are forgotten.
void pruneLinkedGroups(Session& session);

// The work area runs from workAreaIn to workAreaOut, in before out; a bound that
// would cross the other clears the other.
bool hasWorkArea(const Session& session);
void setWorkAreaIn(Session& session, float time);
void setWorkAreaOut(Session& session, float time);
void clearWorkArea(Session& session);

// New project: empties every list and sets the defaults, keeping the settings that
// are also preferences (sample rate, longest event, scale, pitch and reverse).
void clearSession(Session& session);

}  // namespace vn
