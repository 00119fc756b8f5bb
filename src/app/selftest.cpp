#include "app/selftest.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/app_state.h"
#include "app/export_actions.h"
#include "app/commands.h"
#include "app/delivery_actions.h"
#include "app/engines.h"
#include "app/frame.h"
#include "app/frame_loop.h"
#include "app/job_status.h"
#include "app/library_actions.h"
#include "app/recipe_actions.h"
#include "app/render_actions.h"
#include "app/screenshot.h"
#include "app/selftest_material.h"
#include "app/update_actions.h"
#include "app/window_present.h"
#include "core/bounce_edit.h"
#include "core/preset_folders.h"
#include "core/project_file.h"
#include "library/libraries.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr int kSettleFrames = 24;
// Generous: a build under the sanitizers on a loaded machine takes its time.
constexpr double kStepSeconds = 300.0;
// Each idle turn waits for input up to 50 ms before it draws.
constexpr double kIdleCheckSeconds = 1.5;
// Turns of at least 50 ms each, with room for a few that input or exposure cut short;
// a loop that spins would make thousands.
constexpr int kIdleTurnsAllowed = 40;

struct Runner {
  AppState& app;
  GLFWwindow* window;
  int failures = 0;
  double lastFrame = 0.0;

  void frame() {
    glfwPollEvents();
    const double now = glfwGetTime();
    app.now = now;
    runFrame(app, window, now - lastFrame);
    lastFrame = now;
  }

  // Posts the command, draws frames until done() holds (or the time runs out), and
  // reports the step.
  bool step(const char* name, AppCommand command, const std::function<bool()>& done,
            const std::function<std::string()>& why = {}) {
    app.commands.post(std::move(command));
    const double until = glfwGetTime() + kStepSeconds;
    frame();
    while (!done() && glfwGetTime() < until) frame();
    const bool ok = done();
    if (ok) {
      logLine("[SelfTest] %s: ok\n", name);
    } else {
      ++failures;
      logLine("[SelfTest] %s: FAILED%s%s\n", name, why ? " - " : "", why ? why().c_str() : "");
    }
    return ok;
  }
};

// The first event of the shape (the hero one when asked), or -1.
int firstEvent(const Session& s, ShapeType shape, bool hero = false) {
  for (size_t i = 0; i < s.events.size(); ++i)
    if (s.events[i].shape == shape && (!hero || s.events[i].hero)) return static_cast<int>(i);
  return -1;
}

// Once nothing moves, the loop sleeps: each turn waits for input up to the idle wait,
// so turns come no faster than that, and presents the kept raster rather than
// rasterising the same frame again. A posted command is carried out and drawn afresh
// by the very next turn, and so is a window of a new size.
void checkIdleLoop(Runner& run) {
  AppState& app = run.app;
  const double settleUntil = glfwGetTime() + kStepSeconds;
  while (interfaceActive(app) && glfwGetTime() < settleUntil) run.frame();
  double lastTurn = glfwGetTime();
  int turns = 0;
  const long drawn0 = app.framesDrawn, rasterised0 = app.framesRasterised;
  for (const double until = glfwGetTime() + kIdleCheckSeconds; glfwGetTime() < until; ++turns)
    loopOnce(app, run.window, nullptr, lastTurn);
  const long idleDrawn = app.framesDrawn - drawn0, idleRasterised = app.framesRasterised - rasterised0;
  const bool kept = idleDrawn == turns && idleRasterised <= 2;

  long drawnBefore = app.framesDrawn, rasterisedBefore = app.framesRasterised;
  app.commands.post({CommandId::SelectEvent, {}, 0});
  loopOnce(app, run.window, nullptr, lastTurn);
  const bool woke = app.framesDrawn == drawnBefore + 1 && app.framesRasterised == rasterisedBefore + 1 &&
                    app.selection.primary == 0;

  int width = 0, height = 0;
  glfwGetFramebufferSize(run.window, &width, &height);
  glfwSetWindowSize(run.window, width - 200, height - 100);
  const double resizeUntil = glfwGetTime() + 2.0;
  int newWidth = width, newHeight = height;
  while (newWidth == width && glfwGetTime() < resizeUntil) {
    glfwWaitEventsTimeout(0.05);
    glfwGetFramebufferSize(run.window, &newWidth, &newHeight);
  }
  rasterisedBefore = app.framesRasterised;
  loopOnce(app, run.window, nullptr, lastTurn);
  const bool resized = newWidth != width && app.framesRasterised == rasterisedBefore + 1 &&
                       app.raster.width == newWidth && app.raster.height == newHeight;

  if (turns <= kIdleTurnsAllowed && kept && woke && resized) {
    logLine("[SelfTest] idle loop: ok (%d turns in %.1f s, %ld frames presented, %ld rasterised)\n", turns,
            kIdleCheckSeconds, idleDrawn, idleRasterised);
  } else {
    ++run.failures;
    logLine("[SelfTest] idle loop: FAILED - %d turns in %.1f s, %ld frames presented, %ld rasterised; a command %s; "
            "a new size %s\n",
            turns, kIdleCheckSeconds, idleDrawn, idleRasterised, woke ? "drew afresh" : "did not draw afresh",
            resized ? "drew afresh" : "did not draw afresh");
  }
}

// The delivery preview, with the session conformed to its busses' declarations (the
// demo declares tracks and folds), then the bus layout templates: saved, chosen for
// new sessions and applied.
void checkDelivery(Runner& run) {
  AppState& app = run.app;
  app.session.exportSettings.exportAAFSourceChannels = false;
  const DeliveryPreview& preview = app.deliveryPreview;
  run.step("preview the delivery", {CommandId::ShowDelivery, {}, -1},
           [&] { return preview.valid && preview.result.conformed && preview.result.folds > 0; },
           [&] { return "report: " + preview.result.report; });
  const std::string name = "Self-test layout";
  const TrackLayout busses = app.session.trackLayout;
  run.step("save the busses as a layout template", {CommandId::SaveBusLayout, name, -1}, [&] {
    return findBusTemplate(readBusTemplates(appDataFolder()), name) != nullptr;
  });
  run.step("choose the layout for new sessions", {CommandId::SetDefaultBusLayout, name, -1},
           [&] { return readBusTemplates(appDataFolder()).defaultLayout == name; });
  app.session.trackLayout.busses[0].slots.clear();
  run.step("apply the layout template", {CommandId::ApplyBusLayout, name, -1}, [&] {
    const TrackLayout& now = app.session.trackLayout;
    return now.busCount == busses.busCount && now.busses[0].slots.size() == busses.busses[0].slots.size() &&
           now.busses[0].name == busses.busses[0].name;
  });
}

// Plays two seconds from the door slam, on the audio output or on the silent clock,
// and stops; the playhead follows and stands still once stopped.
void playTwoSeconds(Runner& run) {
  AppState& app = run.app;
  const double from = 8.5;
  movePlayhead(app, from);
  const bool mixed = app.render.cache.count.load() > 0;
  const bool played = run.step("play two seconds", {CommandId::PlayStop, {}, -1},
                               [&] { return isPlaying(app) && app.playhead >= from + 2.0; },
                               [&] { return format("playhead at %.2f s", app.playhead); });
  if (!played) return;
  run.step("stop", {CommandId::PlayStop, {}, -1}, [&] { return !isPlaying(app); });
  const double stoppedAt = app.playhead;
  for (int i = 0; i < 10; ++i) run.frame();
  if (app.playhead != stoppedAt || !mixed) {
    ++run.failures;
    logLine("[SelfTest] playback: FAILED - %s\n", mixed ? "the playhead moved after the stop" : "nothing was rendered to play");
  } else {
    logLine("[SelfTest] playback: ok (%s)\n", app.audio.running ? app.audio.backendName.c_str() : "silent clock");
  }
}

// A delivered file dropped on the window shows its Print; "Revert to Source" brings
// back the events that made it, locked, as one step that Undo takes back.
void checkProvenance(Runner& run, const std::string& folder) {
  AppState& app = run.app;
  std::string error;
  const std::string delivered = writeDeliveredFile(folder, app.session, error);
  if (delivered.empty()) {
    ++run.failures;
    logLine("[SelfTest] provenance: FAILED - %s\n", error.c_str());
    return;
  }
  const size_t before = app.session.events.size();
  // Onto the Inspector, which takes no files: the Library's handling applies, as anywhere
  // but the timeline (where a sound file becomes a Clip).
  float x = 0.0f, y = 0.0f;
  for (const PanelArea& area : app.panelAreas)
    if (area.id == "Inspector") x = (area.x0 + area.x1) * 0.5f, y = (area.y0 + area.y1) * 0.5f;
  app.drop = classifyDrop(x, y, {delivered});
  run.step("drop a delivered file", {CommandId::SelectEvent, {}, -1}, [&] {
    return app.provenance.file == delivered && app.provenance.print && app.provenance.lines.size() > 3;
  }, [&] { return app.provenance.lines.empty() ? std::string("nothing shown") : app.provenance.lines[0]; });
  run.step("revert to source", {CommandId::RevertToSource, {}, -1}, [&] {
    return !anyJobRunning(app) && app.session.events.size() == 2 * before &&
           std::all_of(app.session.events.begin() + static_cast<long>(before), app.session.events.end(),
                       [](const Event& e) { return e.locked; });
  }, [&] { return "status \"" + app.status.text + "\""; });
  run.step("undo the revert", {CommandId::Undo, {}, -1},
           [&] { return !anyJobRunning(app) && app.session.events.size() == before; });
  run.step("find print", {CommandId::FindPrint, delivered, -1},
           [&] { return app.provenance.file == delivered && app.provenance.print.has_value(); });
  // View > Provenance brings the panel back to the front.
  const auto provenanceShown = [&] {
    return std::any_of(app.panelAreas.begin(), app.panelAreas.end(),
                       [](const PanelArea& area) { return area.id == "Provenance"; });
  };
  run.step("view the events", {CommandId::ShowEvents, {}, -1}, [&] { return !provenanceShown(); });
  run.step("view the provenance panel", {CommandId::ShowProvenance, {}, -1}, provenanceShown);
}

// The Settings panel's update section: "Check now" asks the address the environment
// names (the tests name a closed local port), and "Dismiss" hides an offer. The
// user's own offer and dismissal are put back afterwards.
void checkUpdates(Runner& run) {
  AppState& app = run.app;
  app.commands.post(CommandId::ShowSettings);
  const double until = glfwGetTime() + kStepSeconds;
  while (updateCheckRunning(app) && glfwGetTime() < until) run.frame();  // an automatic check may be out
  const Preferences kept = app.prefs;
  app.prefs.lastUpdateCheck = 0;
  run.step("check for updates", {CommandId::CheckForUpdates, {}, -1},
           [&] { return app.prefs.lastUpdateCheck > 0 && !updateCheckRunning(app); });
  app.prefs.updateAvailableVersion = "9999.1";
  app.prefs.updateAvailablePageUrl = "https://example.org/9999.1";
  run.step("dismiss an update offer", {CommandId::DismissUpdate, {}, -1},
           [&] { return app.prefs.dismissedUpdateVersion == "9999.1" && !commandAvailable(app, CommandId::ViewUpdate); });
  app.prefs.updateAvailableVersion = kept.updateAvailableVersion;
  app.prefs.updateAvailablePageUrl = kept.updateAvailablePageUrl;
  app.prefs.dismissedUpdateVersion = kept.dismissedUpdateVersion;
  app.preferencesChanged = true;
}

// Settles the picture, then writes the window as it stands to a PNG file.
void screenshot(Runner& run, const std::string& path) {
  for (int i = 0; i < kSettleFrames; ++i) run.frame();
  int width = 0, height = 0;
  glfwGetFramebufferSize(run.window, &width, &height);
  run.app.now = glfwGetTime();
  const bool rasterised = renderFrame(run.app, run.window, 0.0);
  std::string error;
  if (writeFramebufferPng(width, height, path, error)) {
    logLine("[SelfTest] screenshot %dx%d written to %s\n", width, height, path.c_str());
  } else {
    ++run.failures;
    logLine("[SelfTest] screenshot %s: FAILED - %s\n", path.c_str(), error.c_str());
  }
  presentFrame(run.app.raster, run.window, rasterised);
}

// The door's design saved as a recipe and its preview heard, placed at the playhead, applied to the
// pass-by and taken back; a Group saved as a chain and placed as a linked Group;
// the recipe renamed (which ends its preview) and deleted. What was saved is removed again.
void recipesAndChains(Runner& run, int door, int passBy) {
  AppState& app = run.app;
  Session& s = app.session;
  const std::string name = "Self-test door";
  run.step("save as recipe", {CommandId::SaveAsRecipe, name, door}, [&] {
    return findSaved(app.presets.recipes, name).has_value();
  }, [&] { return "status \"" + app.status.text + "\""; });
  run.step("render its preview", {CommandId::SelectEvent, {}, door},
           [&] { return !previewRendering(app) && fileExists(recipePreviewPath(name)); },
           [&] { return "\"" + app.presets.previewNote + "\""; });
  // A click on the recipe in the list plays its preview through the output (or the
  // silent clock) until its last frame; starting the transport ends it.
  if (!app.playback) {
    ++run.failures;
    logLine("[SelfTest] hear its preview: FAILED - no playback engine\n");
    return;
  }
  const PreviewVoice& voice = app.playback->preview;
  run.step("hear its preview", {CommandId::PreviewRecipe, name, -1},
           [&] { return recipePreviewPlaying(app) && PreviewFramesPlayed(voice) > 0; },
           [&] { return "status \"" + app.status.text + "\""; });
  run.step("hear it to the end", {CommandId::SelectEvent, {}, door}, [&] {
    return !recipePreviewPlaying(app) && voice.current && PreviewFramesPlayed(voice) == voice.current->frames;
  }, [&] { return format("%lld frames heard", static_cast<long long>(PreviewFramesPlayed(voice))); });
  run.step("hear it again", {CommandId::PreviewRecipe, name, -1},
           [&] { return recipePreviewPlaying(app) && PreviewFramesPlayed(voice) > 0; });
  run.step("play stops the preview", {CommandId::PlayStop, {}, -1},
           [&] { return isPlaying(app) && !recipePreviewPlaying(app); });
  run.step("stop", {CommandId::PlayStop, {}, -1}, [&] { return !isPlaying(app); });
  const size_t before = s.events.size();
  movePlayhead(app, 25.0);
  run.step("place recipe", {CommandId::PlaceRecipe, name, -1}, [&] {
    return s.events.size() == before + 1 && s.events.back().presetName == name &&
           s.events.back().keywords == s.events[door].keywords;
  });
  app.commands.post({CommandId::SelectEvent, {}, passBy});
  const ShapeType passByShape = s.events[passBy].shape;
  run.step("apply recipe", {CommandId::ApplyRecipe, name, -1}, [&] {
    return s.events[passBy].presetName == name && s.events[passBy].shape == s.events[door].shape;
  });
  run.step("undo the recipe", {CommandId::Undo, {}, -1}, [&] { return s.events[passBy].shape == passByShape; });

  app.commands.post({CommandId::SelectEvent, {}, static_cast<int>(before)});
  run.step("group", {CommandId::Group, {}, -1}, [&] { return !s.events[before].folder.empty(); });
  const std::string group = s.events[before].folder;
  run.step("save as chain", {CommandId::SaveAsChain, {}, -1},
           [&] { return findSaved(app.presets.chains, group).has_value(); });
  movePlayhead(app, 27.0);
  run.step("place chain", {CommandId::PlaceChain, group, -1}, [&] {
    const std::string& placed = s.events.back().folder;
    return s.events.size() == before + 2 && s.events.back().time == 27.0f &&
           (!app.prefs.chainsImportAsGroup || (!placed.empty() && s.linkedGroups.count(placed) > 0));
  });

  playRecipePreview(app, name);
  const bool playing = recipePreviewPlaying(app);
  const bool renamed = renameRecipe(app, name, name + " 2") && findSaved(app.presets.recipes, name + " 2") &&
                       playing && !recipePreviewPlaying(app);
  const bool deleted = deleteRecipe(app, name + " 2") && !findSaved(app.presets.recipes, name + " 2");
  std::filesystem::remove(chainFilePath(chainsFolder(), group));
  if (renamed && deleted) {
    logLine("[SelfTest] rename and delete a recipe: ok\n");
  } else {
    ++run.failures;
    logLine("[SelfTest] rename and delete a recipe: FAILED - status \"%s\"\n", app.status.text.c_str());
  }
}

// OUT.png gives OUT-detail.png for the second view.
std::string secondViewPath(const std::string& imagePath) {
  const size_t dot = imagePath.rfind('.');
  const size_t slash = imagePath.rfind('/');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return hasExtension ? imagePath.substr(0, dot) + "-detail" + imagePath.substr(dot) : imagePath + "-detail";
}

std::string makeWorkFolder() {
  char pattern[] = "/tmp/varnel-selftest-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  return made ? made : std::string();
}

}  // namespace

int runSelfTest(AppState& app, GLFWwindow* window, const std::string& imagePath) {
  const std::string folder = makeWorkFolder();
  if (folder.empty()) {
    logErrLine("[SelfTest] could not make a work folder in /tmp\n");
    return 1;
  }
  Runner run{app, window};
  run.lastFrame = glfwGetTime();
  const SelfTestMaterial material = makeSelfTestMaterial(folder);
  if (!material.error.empty()) {
    logErrLine("[SelfTest] could not prepare the demo material: %s\n", material.error.c_str());
    std::filesystem::remove_all(folder);
    return 1;
  }
  const size_t eventCount = material.eventCount;
  Session& s = app.session;

  run.step("add the demo library", {CommandId::ScanFolder, material.libraryFolder, -1},
           [&] { return !app.scan.running && loadedLibraryCount() > 0; },
           [&] { return ReadScanTexts(app.scan).message + ReadScanTexts(app.scan).error; });

  run.step("open the demo project", {CommandId::OpenPath, material.projectPath, -1},
           [&] { return app.project.projectPath == material.projectPath && s.events.size() == eventCount; },
           [&] { return "status \"" + app.status.text + "\""; });
  // The hero door slam gets new keywords; the car pass-by is in the picture.
  const int edited = firstEvent(s, ShapeType::Spot, true);
  const int pictured = firstEvent(s, ShapeType::Contour);
  if (edited < 0 || pictured < 0) {
    logErrLine("[SelfTest] the demo project lacks its hero Spot or its Contour\n");
    std::filesystem::remove_all(folder);
    return 1;
  }
  run.step("select an event", {CommandId::SelectEvent, {}, edited}, [&] { return app.selection.primary == edited; });

  const std::string before = s.events[edited].keywords;
  const std::string words = "glass impact bright";
  run.step("edit its keywords", {CommandId::SetKeywords, words, edited},
           [&] { return s.events[edited].keywords == words && s.dirty; });

  // Undo and redo the last edit; a build, when this program can build, is that edit.
  std::function<bool()> undone = [&] { return s.events[edited].keywords == before; };
  std::function<bool()> redone = [&] { return s.events[edited].keywords == words; };
  size_t built = 0;  // outlives the branch: the redo check reads it
  if (renderJobsAvailable(app)) {
    run.step("build", {CommandId::Build, {}, -1}, [&] {
      built = s.results.size();
      return !anyJobRunning(app) && built > 0;
    });
    undone = [&] { return !anyJobRunning(app) && s.results.empty() && s.events[edited].keywords == words; };
    redone = [&] { return !anyJobRunning(app) && s.results.size() == built && built > 0; };
  } else {
    logLine("[SelfTest] build: skipped (the render worker is not part of this build)\n");
  }
  run.step("undo", {CommandId::Undo, {}, -1}, undone);
  run.step("redo", {CommandId::Redo, {}, -1}, redone);

  const std::string savedPath = pathJoin(folder, "saved.vnproj");
  run.step("save", {CommandId::SaveToPath, savedPath, -1}, [&] {
    return fileExists(savedPath) && !s.dirty && app.project.projectPath == savedPath;
  });
  Session reread;
  std::string error;
  const bool reads = loadProject(savedPath, reread, error);
  if (!reads || reread.events.size() != eventCount || reread.events[edited].keywords != words ||
      reread.results.size() != s.results.size()) {
    ++run.failures;
    logLine("[SelfTest] read the saved project back: FAILED - %s\n", reads ? "it differs" : error.c_str());
  } else {
    logLine("[SelfTest] read the saved project back: ok\n");
  }

  if (renderJobsAvailable(app)) {
    // The Clip and the Bed are locked: their files become layers when each is rebuilt alone.
    for (ShapeType shape : {ShapeType::Clip, ShapeType::Bed}) {
      const int own = firstEvent(s, shape);
      const std::string name = std::string("rebuild the ") + shapeName(shape) + " from its own files";
      run.step(name.c_str(), {CommandId::BuildEvent, {}, own}, [&] {
        return !anyJobRunning(app) && std::any_of(s.results.begin(), s.results.end(), [&](const Layer& l) {
                 return l.eventIdx == own && !l.placeholder && !l.filepath.empty();
               });
      });
    }
    // The delivery through the Export panel: the AAF session, the mixdown and every layer as a clip.
    app.prefs.exportFormatAAF = true;
    app.prefs.exportFormatWAV = app.prefs.exportWavMixdown = app.prefs.exportWavClips = true;
    app.commands.post(CommandId::Export);
    const std::string delivery = pathJoin(folder, "Delivery");
    run.step("export the delivery", {CommandId::Export, delivery, -1}, [&] {
      return !anyJobRunning(app) && !exportRunning(app) &&
             app.exportState.result.rfind("Export complete - ", 0) == 0 &&
             fileExists(pathJoin(delivery, stemOf(savedPath) + ".wav")) && folderExists(pathJoin(delivery, "Clips")) &&
             fileExists(pathJoin(delivery, stemOf(savedPath) + ".aaf")) &&
             fileExists(pathJoin(delivery, stemOf(savedPath) + " delivery.txt"));
    }, [&] { return app.exportState.result; });
    // Two takes of the selected event, each its own file.
    app.prefs.varCount = 2;
    selectOnly(app.selection, edited);
    const std::string takes = pathJoin(folder, "Variations");
    run.step("export variations", {CommandId::ExportVariations, takes, -1}, [&] {
      return !exportRunning(app) && app.exportState.result.rfind("Exported 2 takes to ", 0) == 0;
    }, [&] { return app.exportState.result; });

    // Two events bounced into one Clip, the bounce reverted, then both undone so the
    // later steps find the events where they were.
    const size_t eventsBefore = s.events.size();
    const auto lastIsBounce = [&] { return isBounce(s, static_cast<int>(s.events.size()) - 1); };
    const auto status = [&] { return "status \"" + app.status.text + "\""; };
    app.selection.events = {edited, pictured};
    app.selection.primary = edited;
    run.step("bounce selection to clip", {CommandId::BounceSelection, {}, -1}, [&] {
      return !app.bounceJob && !anyJobRunning(app) && s.events.size() + 1 == eventsBefore && lastIsBounce() &&
             std::any_of(s.results.begin(), s.results.end(),
                         [&](const Layer& l) { return l.eventIdx == static_cast<int>(s.events.size()) - 1; });
    }, status);
    run.step("revert the bounce", {CommandId::RevertBounce, {}, static_cast<int>(s.events.size()) - 1}, [&] {
      // The mix is brought up to date before the next step, whose undo waits for a free session.
      // The two events are back at the end, with the layers the bounce file carried.
      const int firstBack = static_cast<int>(eventsBefore) - 2;
      return !anyJobRunning(app) && s.events.size() == eventsBefore && !lastIsBounce() &&
             std::any_of(s.results.begin(), s.results.end(), [&](const Layer& l) { return l.eventIdx == firstBack; }) &&
             std::any_of(s.results.begin(), s.results.end(), [&](const Layer& l) { return l.eventIdx == firstBack + 1; });
    }, status);
    run.step("undo the revert", {CommandId::Undo, {}, -1}, [&] { return !anyJobRunning(app) && lastIsBounce(); });
    run.step("undo the bounce", {CommandId::Undo, {}, -1}, [&] {
      return !anyJobRunning(app) && s.events.size() == eventsBefore && s.events[edited].keywords == words;
    });
  }
  playTwoSeconds(run);
  recipesAndChains(run, edited, pictured);
  checkProvenance(run, folder);

  run.step("zoom to fit", {CommandId::ZoomFit, {}, -1}, [&] { return !app.fitPending; });
  // The picture: the pass-by selected, so the inspector shows its curves, and the
  // playhead inside it.
  app.commands.post({CommandId::SelectEvent, {}, pictured});
  movePlayhead(app, 16.5);
  screenshot(run, imagePath);
  // A second view: the door close up, with the Mixer in front.
  app.commands.post({CommandId::SelectEvent, {}, edited});
  movePlayhead(app, s.events[edited].time + 0.3);
  for (int i = 0; i < 3; ++i) app.commands.post(CommandId::ZoomIn);
  app.commands.post(CommandId::ShowMixer);
  screenshot(run, secondViewPath(imagePath));

  checkDelivery(run);
  checkUpdates(run);
  checkIdleLoop(run);
  std::filesystem::remove_all(folder);
  logLine("[SelfTest] %s\n", run.failures == 0 ? "passed" : "FAILED");
  return run.failures == 0 ? 0 : 1;
}

}  // namespace vn
