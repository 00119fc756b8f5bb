#pragma once
// A recipe heard before it is used: its design built as one event against the
// Libraries, through the same build, layering and render as a project, and written
// as a stereo file next to the recipe.
#include <atomic>
#include <string>

#include "core/recipe.h"

namespace vn {

struct RecipePreviewResult {
  bool written = false;
  std::string note;  // one sentence: what was written, or why nothing was
};

// Writes path (replacing it only when the new one is whole). A recipe none of whose
// sounds is in the Libraries gets no preview, and any older one at path is removed.
RecipePreviewResult renderRecipePreview(const Recipe& recipe, const std::string& path,
                                        const std::atomic<bool>* cancel = nullptr);

}  // namespace vn
