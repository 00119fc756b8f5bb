#pragma once
// The iXML a file of an export run carries: the description-only document with
// the recipe of its events and the manifest of the layers that sound in it.
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

// The document with the recipe of events (what step 2 of a run prepares per event).
std::string recipeIxml(const std::string& description, const std::vector<Event>& events);

// host (a recipeIxml) with the manifest of layers, the file starting at timeline
// seconds t0; printId goes into the manifest when not empty.
std::string withManifest(std::string host, const std::vector<Layer>& layers, const std::vector<Event>& events,
                         double t0, const std::string& printId);

// The session positions of the events whose layers a file holds, each once, in order.
std::vector<int> eventPositionsOf(const std::vector<Layer>& layers);

// What a clip's payloads carry: the events its layers come from, in session order,
// and the layers renumbered to point into that list. A clip made of one layer says
// what made it, not the whole session.
struct ClipEvents {
  std::vector<Event> events;
  std::vector<Layer> layers;
};
ClipEvents clipEvents(const std::vector<Layer>& layers, const std::vector<Event>& sessionEvents);

// withManifest for a clip: the manifest of its layers with their own events only.
std::string withClipManifest(std::string host, const std::vector<Layer>& layers,
                             const std::vector<Event>& sessionEvents, double t0, const std::string& printId);

// The unmuted layers of a session.
std::vector<Layer> soundingLayers(const Session& session);

}  // namespace vn
