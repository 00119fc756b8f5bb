#pragma once
// Recipe and chain documents: "<name>.vnrecipe" in the recipes folder and
// "<name>.vnchain" in the chains folder, JSON written through a temporary file.
#include <string>
#include <vector>

#include "core/json_value.h"
#include "core/recipe.h"

namespace vn {

// The name a recipe of event is offered: its recipe's, else its search words, else its shape.
std::string defaultRecipeName(const Event& event);
// The design of event saved under name; the event's time is not kept.
Recipe recipeFromEvent(const Event& event, const std::string& name);
// The events of a Group, times relative to the earliest; an empty name is "group".
Chain chainFromEvents(const std::string& groupName, const std::vector<Event>& events);

std::string recipeDocumentText(const Recipe& recipe);
std::string chainDocumentText(const Chain& chain);
// Readers of parsed documents; path only names the file in the newer-version line.
void readRecipeDocument(const JsonValue& root, const std::string& path, Recipe& recipe);
void readChainDocument(const JsonValue& root, const std::string& path, Chain& chain);

// Creates the folder when needed and writes the document; false with the reason in
// error. An empty recipe name is refused. The folder defaults to the user's.
bool saveRecipe(const Recipe& recipe, std::string& error);
bool saveRecipe(const Recipe& recipe, const std::string& folder, std::string& error);
bool saveChain(const std::string& groupName, const std::vector<Event>& events, std::string& error);
bool saveChain(const std::string& groupName, const std::vector<Event>& events, const std::string& folder,
               std::string& error);

// False when the file is not a regular file, cannot be read, is empty or is larger
// than 64 MiB; otherwise reads what it can.
bool loadRecipe(const std::string& path, Recipe& recipe);
bool loadChain(const std::string& path, Chain& chain);

}  // namespace vn
