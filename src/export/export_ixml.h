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

// The unmuted layers of a session.
std::vector<Layer> soundingLayers(const Session& session);

}  // namespace vn
