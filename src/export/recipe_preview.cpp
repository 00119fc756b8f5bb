#include "export/recipe_preview.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "builder/build_run.h"
#include "builder/layering.h"
#include "core/preferences.h"
#include "core/recipe_apply.h"
#include "export/render_to_file.h"
#include "library/libraries.h"
#include "platform/text.h"

namespace vn {
namespace {

// A little room after the event so its tail is heard.
constexpr float kTailSeconds = 0.5f;

bool hasSound(const Session& session) {
  return std::any_of(session.results.begin(), session.results.end(),
                     [](const Layer& l) { return !l.placeholder && !l.filepath.empty(); });
}

}  // namespace

RecipePreviewResult renderRecipePreview(const Recipe& recipe, const std::string& path,
                                        const std::atomic<bool>* cancel) {
  RecipePreviewResult out;
  Session session;
  placeRecipe(session, recipe, 0.0f);
  session.settings.totalDuration = session.events[0].duration + kTailSeconds;
  Preferences prefs;
  LoadPreferences(prefs);
  BuildEngineState state;
  BuildOptions options;
  options.onlyEvent = 0;  // Clip and Bed recipes are locked, and still heard
  options.cancel = cancel;
  {
    LibraryList& list = AppLibraries();
    std::lock_guard lock(list.mutex);
    std::vector<const Library*> libraries;
    for (const Library& library : list.libraries) libraries.push_back(&library);
    buildEvents(session, libraries, state, options);
  }
  if (cancel && cancel->load()) {
    out.note = "Preview cancelled.";
    return out;
  }
  runLayeringPasses(session, prefs.protectSilence, prefs.destructiveEQ);
  if (!hasSound(session)) {
    std::remove(path.c_str());
    out.note = "No preview: none of the recipe's sounds is in the Libraries.";
    return out;
  }
  RenderFileRequest request;
  request.output = path;
  request.description = "Recipe preview: " + recipe.name;
  RenderFileResult result;
  RenderFileWatch watch;
  watch.cancelled = [cancel] { return cancel && cancel->load(); };
  std::string error;
  if (!renderSessionToFiles(session, request, result, error, watch)) {
    out.note = "No preview: " + error;
    return out;
  }
  out.written = true;
  out.note = format("Preview rendered (%.1f s)", result.seconds);
  return out;
}

}  // namespace vn
