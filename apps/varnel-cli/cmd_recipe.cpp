// varnel-cli recipe: save an event's design under a name, list the saved ones, apply
// one to events of a project, place one as a new event, or hear one's preview.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "args.h"
#include "audio/playback_engine.h"
#include "audio/playback_setup.h"
#include "command.h"
#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "core/session_timecode.h"
#include "export/recipe_preview.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "output_choice.h"
#include "preset_commands.h"
#include "progress.h"

namespace vn::cli {
namespace {

int runRecipe(const std::vector<std::string>& args);

const Command kRecipe{
    "recipe",
    "recipe save PROJECT --event I [--name NAME] [--no-preview] | recipe list | recipe apply NAME PROJECT --events I,J | "
    "recipe place NAME PROJECT --at SECONDS | recipe preview NAME [--device NAME]",
    "save, list, apply and place recipes (an event's design under a name)",
    "  save PROJECT --event I [--name NAME]\n"
    "               saves the design of event I (numbered from 0) as a recipe; the name\n"
    "               defaults to the event's recipe, else its keywords; a saved recipe of\n"
    "               the same name is replaced; the recipe is then built against the Libraries\n"
    "               and rendered into NAME_preview.wav beside it (--no-preview: not)\n"
    "  list         the saved recipes with their shape, duration and keywords\n"
    "  apply NAME PROJECT --events I,J\n"
    "               gives the events the recipe's design; they keep their time, and their\n"
    "               duration unless it is a Clip recipe; the project is saved\n"
    "  place NAME PROJECT --at SECONDS\n"
    "               a new event of the recipe at the time; the project is saved\n"
    "  preview NAME [--device NAME]\n"
    "               plays the recipe's NAME_preview.wav on the audio device of the\n"
    "               preferences (or the one named); Ctrl-C stops\n"
    "Recipes live in the Recipes folder of the documents folder.",
    runRecipe};
const Registration kRegistration(kRecipe);

int runSave(Args& a) {
  const std::optional<long long> index = a.integer("--event");
  if (!a.error().empty()) return usageError(kRecipe, a.error());
  if (a.positional().size() != 2) return usageError(kRecipe, "recipe save takes one project");
  if (!index) return usageError(kRecipe, "--event I is needed");
  const std::string& path = a.positional()[1];
  Session session;
  if (!loadPresetProject(path, session)) return kExitUserError;
  if (*index < 0 || *index >= static_cast<long long>(session.events.size()))
    return userError(format("The project has %zu event%s; there is no event %lld.", session.events.size(),
                            plural(static_cast<int64_t>(session.events.size())), *index));
  const Event& event = session.events[static_cast<size_t>(*index)];
  const Recipe recipe = recipeFromEvent(event, a.value("--name").value_or(defaultRecipeName(event)));
  if (recipe.name.empty()) return userError("A recipe needs a name.");
  const std::string folder = recipesFolder();
  const bool replacing = fileExists(recipeFilePath(folder, recipe.name));
  std::string error;
  if (!saveRecipe(recipe, folder, error)) return userError(error);
  std::printf("%s recipe \"%s\" (%s, %.2f s) in %s\n", replacing ? "Replaced" : "Saved", recipe.name.c_str(),
              shapeName(recipe.event.shape), recipe.event.duration, recipeFilePath(folder, recipe.name).c_str());
  if (a.has("--no-preview")) return kExitOk;
  const std::string preview = recipePreviewPath(folder, recipe.name);
  const RecipePreviewResult rendered = renderRecipePreview(recipe, preview);
  std::printf("%s%s%s\n", rendered.note.c_str(), rendered.written ? ": " : "", rendered.written ? preview.c_str() : "");
  return kExitOk;
}

int runList() {
  const std::string folder = recipesFolder();
  const std::vector<SavedPreset> saved = listRecipes(folder);
  if (saved.empty()) {
    std::printf("No recipes saved in %s\n", folder.c_str());
    return kExitOk;
  }
  for (const SavedPreset& s : saved) {
    Recipe r;
    if (!loadRecipe(s.path, r)) {
      std::printf("%-24s (cannot be read)\n", s.name.c_str());
      continue;
    }
    const bool preview = fileExists(recipePreviewPath(folder, s.name));
    std::printf("%-24s %-8s %6.2f s  %s%s\n", s.name.c_str(), shapeName(r.event.shape), r.event.duration,
                r.event.keywords.c_str(), preview ? "  (preview)" : "");
  }
  std::printf("%zu recipe%s in %s\n", saved.size(), plural(static_cast<int64_t>(saved.size())), folder.c_str());
  return kExitOk;
}

// The named recipe, loaded; prints one sentence when it cannot be had.
std::optional<Recipe> namedRecipe(const std::string& name) {
  const std::string folder = recipesFolder();
  const std::optional<SavedPreset> saved = findNamed(listRecipes(folder), name, "recipe", folder);
  if (!saved) return std::nullopt;
  Recipe r;
  if (!loadRecipe(saved->path, r)) {
    std::fprintf(stderr, "The recipe \"%s\" cannot be read (%s).\n", saved->name.c_str(), saved->path.c_str());
    return std::nullopt;
  }
  r.name = saved->name;
  return r;
}

int runApply(Args& a) {
  const std::optional<std::string> events = a.value("--events");
  if (!a.error().empty()) return usageError(kRecipe, a.error());
  if (a.positional().size() != 3) return usageError(kRecipe, "recipe apply takes a recipe name and a project");
  if (!events) return usageError(kRecipe, "--events I,J is needed");
  const std::optional<std::vector<int>> positions = eventList(*events);
  if (!positions) return usageError(kRecipe, "--events takes event numbers separated by commas");
  const std::string& path = a.positional()[2];
  Session session;
  if (!loadPresetProject(path, session)) return kExitUserError;
  for (int p : *positions)
    if (p >= static_cast<int>(session.events.size()))
      return userError(format("The project has %zu event%s; there is no event %d.", session.events.size(),
                              plural(static_cast<int64_t>(session.events.size())), p));
  const std::optional<Recipe> recipe = namedRecipe(a.positional()[1]);
  if (!recipe) return kExitUserError;
  const int applied = applyRecipeToEvents(session, *recipe, *positions);
  if (!savePresetProject(path, session)) return kExitUserError;
  std::printf("Applied recipe \"%s\" to %d event%s\n", recipe->name.c_str(), applied, plural(applied));
  return kExitOk;
}

int runPlace(Args& a) {
  const std::optional<double> at = a.number("--at");
  if (!a.error().empty()) return usageError(kRecipe, a.error());
  if (a.positional().size() != 3) return usageError(kRecipe, "recipe place takes a recipe name and a project");
  std::string problem;
  const std::optional<float> time = placementTime(at, problem);
  if (!time) return usageError(kRecipe, problem);
  const std::string& path = a.positional()[2];
  Session session;
  if (!loadPresetProject(path, session)) return kExitUserError;
  const std::optional<Recipe> recipe = namedRecipe(a.positional()[1]);
  if (!recipe) return kExitUserError;
  const int index = placeRecipe(session, *recipe, *time);
  if (!savePresetProject(path, session)) return kExitUserError;
  std::printf("Placed recipe \"%s\" as event %d at %s\n", recipe->name.c_str(), index,
              sessionTimecode(session.settings, *time).c_str());
  return kExitOk;
}

int runPreview(Args& a) {
  const std::optional<std::string> device = a.value("--device");
  if (!a.error().empty()) return usageError(kRecipe, a.error());
  if (a.positional().size() != 2) return usageError(kRecipe, "recipe preview takes a recipe name");
  const std::string folder = recipesFolder();
  const std::optional<SavedPreset> saved = findNamed(listRecipes(folder), a.positional()[1], "recipe", folder);
  if (!saved) return kExitUserError;
  const int rate = ProjectSettings{}.projectSampleRate;
  std::string error;
  std::unique_ptr<PreviewSound> sound = LoadPreviewSound(recipePreviewPath(folder, saved->name), saved->name, rate, error);
  if (!sound) return userError(error + ".");
  Preferences prefs;
  LoadPreferences(prefs);
  AudioOutput output;
  if (!openCommandOutput(output, prefs, device, rate, error)) return userError(error);
  RenderCache nothing;
  auto engine = CreatePlaybackEngine(nothing, rate);
  if (!engine) {
    CloseAudioOutput(output);
    return userError("Not enough memory to play the preview.");
  }
  installInterruptHandler();
  ApplyPlaybackPreferences(*engine, Session{}, prefs, SteadyNanos());
  ConnectPlayback(output, *engine);
  const int64_t frames = sound->frames;
  StartPreview(engine->preview, std::move(sound));
  std::printf("Playing the preview of \"%s\" (%.2f s) on %s \"%s\" (Ctrl-C stops)\n", saved->name.c_str(),
              static_cast<double>(frames) / rate, output.backendName.c_str(), openDeviceName(output).c_str());
  std::fflush(stdout);
  while (PreviewPlaying(engine->preview)) {
    if (interrupted()) StopPreview(engine->preview);
    TickPlayback(*engine, output, SteadyNanos());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double heard = static_cast<double>(PreviewFramesPlayed(engine->preview)) / rate;
  SetPlaybackSources(output, {}, {});
  CloseAudioOutput(output);
  std::printf("%s at %.2f s\n", interrupted() ? "Stopped" : "Played to the end", heard);
  return kExitOk;
}

int runRecipe(const std::vector<std::string>& raw) {
  Args a(raw, {"--event", "--name", "--events", "--at", "--device"}, {"--no-preview"});
  if (!a.error().empty()) return usageError(kRecipe, a.error());
  if (a.positional().empty()) return usageError(kRecipe, "give an action: save, list, apply, place or preview");
  migrateLegacyPresetFolders();
  // Pinned sounds are described to the Library, and found through it, by their ids.
  StartLibraries();
  const std::string& action = a.positional()[0];
  if (action == "save") return runSave(a);
  if (action == "list") {
    if (a.positional().size() != 1) return usageError(kRecipe, "recipe list takes no arguments");
    return runList();
  }
  if (action == "apply") return runApply(a);
  if (action == "place") return runPlace(a);
  if (action == "preview") return runPreview(a);
  return usageError(kRecipe, "unknown action \"" + action + "\"");
}

}  // namespace
}  // namespace vn::cli
