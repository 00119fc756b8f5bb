#pragma once
// Putting the recipe and the manifest into a file's iXML text, within the size
// budgets that keep the whole iXML under the readers' 1 MiB cap.
#include <string>
#include <string_view>
#include <vector>

#include "core/session.h"
#include "export/payload_json.h"

namespace vn {

// Base64 texts longer than this are not embedded.
constexpr size_t kPayloadBudget = 900000;
// Host + manifest + 4 may not exceed this.
constexpr size_t kIxmlBudget = 950000;

constexpr std::string_view kRecipeOpen = "<VARNEL_RECIPE>";
constexpr std::string_view kRecipeClose = "</VARNEL_RECIPE>";
constexpr std::string_view kManifestOpen = "<VARNEL_MANIFEST";
constexpr std::string_view kManifestClose = "</VARNEL_MANIFEST>";

// "<VARNEL_RECIPE>" + Base64 of the recipe JSON + "</VARNEL_RECIPE>"; empty when
// there are no events or the Base64 is over budget ("[Recipe] blob too large ...").
std::string recipeBlock(const std::vector<Event>& events);

// "<VARNEL_MANIFEST enc=\"deflate\">" + Base64 + "</VARNEL_MANIFEST>"; empty when
// there are no blocks or the Base64 is over budget ("[Manifest] too large ...").
std::string manifestBlock(const ManifestInput& input);

// block on its own line, indented by two spaces, right before "</BWFXML>"; an empty
// host becomes the minimal document first; a host without "</BWFXML>" (or an empty
// block) leaves the host unchanged.
std::string insertPayloadBlock(std::string host, std::string_view block);

std::string embedRecipe(std::string host, const std::vector<Event>& events);

// The manifest into a host that may already hold the recipe; when both do not fit
// the iXML budget the recipe makes room (the manifest carries the same events), and
// when even that is not enough the host is returned as it was.
std::string embedManifest(std::string host, const ManifestInput& input);
// The same, for a manifest block already made.
std::string embedManifestBlock(std::string host, std::string_view block);

}  // namespace vn
