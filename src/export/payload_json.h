#pragma once
// The two JSON documents a delivered file carries in its iXML: the recipe (the
// events that made it) and the manifest (events, rendered layers, print identity
// and the library files behind them).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

// What the manifest says about a library file: from the file-identity registry by
// default (core/file_lookup.h); nullopt when the id is unknown.
using FileRefLookup = std::function<std::optional<FileRef>(const std::string& fileId)>;

struct ManifestInput {
  const std::vector<Layer>* blocks = nullptr;  // the rendered layers in the file
  const std::vector<Event>* events = nullptr;
  double t0 = 0.0;      // timeline seconds of the file's first sample
  std::string printId;  // written only when not empty
  FileRefLookup lookup; // empty: the installed file lookup
};

// {"vn_recipe_version": 1, "app": "Varnel", "app_version": ..., "events": [...]}
std::string recipeJson(const std::vector<Event>& events);

// vn_manifest_version, app, app_version, printId, t0, events, results, fileRefs.
std::string manifestJson(const ManifestInput& input);

// One reference per distinct library id of the blocks (their own file and their
// alloy sources), in first-use order. An id the lookup does not know keeps the
// block's path, with size and hash 0.
std::vector<FileRef> manifestFileRefs(const std::vector<Layer>& blocks, const FileRefLookup& lookup);

}  // namespace vn
