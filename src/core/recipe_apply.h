#pragma once
// Recipes and chains as edits of the Session: applying a recipe to events, placing
// a recipe as a new event, placing a chain as new events. Each is one edit (the
// caller records one undo step around it) and marks the Session dirty.
#include <string>
#include <vector>

#include "core/recipe.h"
#include "core/session.h"

namespace vn {

// Overwrites the design of target with the recipe's: keywords, shape, intensity
// mode, the shape parameters, alloy morph, pitch variation, reverb send, spectral
// layers, bus, channel format, library filter, pinned files and curves, and for a
// Clip recipe its clip fields and duration. The target keeps its time, its own
// duration otherwise (the sync offset keeps its place relative to the duration),
// and its gain, mute, placement, scene link, Group and trace gain. presetName
// records the recipe.
void applyRecipe(const Recipe& recipe, Event& target);
// Applies the recipe to the events at the positions (others are ignored); returns
// how many were changed.
int applyRecipeToEvents(Session& session, const Recipe& recipe, const std::vector<int>& positions);

// A new event of the recipe at time; returns its position.
int placeRecipe(Session& session, const Recipe& recipe, float time);
// One new event per chain event at time + its relTime; with asGroup they form one
// linked Group named after the chain (numbered when the name is taken). Returns
// their positions.
std::vector<int> placeChain(Session& session, const Chain& chain, float time, bool asGroup);

// The events whose Group is name, in timeline order.
std::vector<Event> groupEvents(const Session& session, const std::string& name);
// name when no event carries it as its Group, else "name 2", "name 3", ...
std::string unusedGroupName(const Session& session, const std::string& name);

// The saved recipe of that name (ignoring case when the exact spelling is not
// saved) applied to event; false when none can be loaded. Serves the marker and
// picture imports.
bool applySavedRecipe(const std::string& name, Event& event);
// The names of the saved recipes, for the marker import.
std::vector<std::string> savedRecipeNames();

}  // namespace vn
