// varnel-cli demo: the road from nothing to a project, on generated material.
// Each step is one function over the shared DemoRun; a step that fails says why
// on standard error and ends the run.
#include <cstdio>
#include <filesystem>
#include <functional>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "core/source_paths.h"
#include "demo_build.h"
#include "demo_export.h"
#include "demo_picture.h"
#include "demo_render.h"
#include "demo_sounds.h"
#include "platform/paths.h"
#include "project_summary.h"
#include "tools/demo_session.h"

namespace vn::cli {
namespace {

struct DemoRun {
  std::string folder;       // everything the demo makes lives here
  std::string projectPath;  // folder/demo.vnproj
  bool deliver = true;      // export the delivery and trace it back through the ledger
  Session session;
};

struct DemoStep {
  const char* title;
  std::function<bool(DemoRun&)> run;
};

bool prepareFolder(DemoRun& d) {
  std::error_code ec;
  std::filesystem::create_directories(d.folder, ec);
  if (!folderExists(d.folder)) {
    std::fprintf(stderr, "Cannot create the demo folder %s: %s.\n", d.folder.c_str(),
                 ec ? ec.message().c_str() : "a file is in the way");
    return false;
  }
  d.projectPath = pathJoin(d.folder, "demo.vnproj");
  return true;
}

bool makeDemoSounds(DemoRun& d) { return MakeAndScanDemoSounds(d.folder); }

bool composeSession(DemoRun& d) {
  d.session = tools::MakeDemoSession(DemoSoundFolder(d.folder));
  std::printf("      %d events, %d scenes, %d busses\n", static_cast<int>(d.session.events.size()),
              static_cast<int>(d.session.scenes.size()), d.session.trackLayout.busCount);
  return true;
}

bool readDemoPicture(DemoRun& d) { return ReadDemoPicture(d.folder, d.projectPath, d.session); }

bool buildDemoEvents(DemoRun& d) { return BuildDemoEvents(d.session); }

bool saveDemoProject(DemoRun& d) {
  if (saveProject(d.projectPath, d.session)) return true;
  std::fprintf(stderr, "Could not write %s.\n", d.projectPath.c_str());
  return false;
}

bool reopenAndDescribe(DemoRun& d) {
  Session reopened;
  ProjectLoadInfo info;
  if (!loadProjectForCli(d.projectPath, reopened, info)) return false;
  printProjectSummary(d.projectPath, reopened, info);
  return true;
}

bool renderDemoMix(DemoRun& d) { return RenderDemoMix(d.folder, d.session); }

bool deliverDemo(DemoRun& d) { return !d.deliver || DeliverDemo(d.folder, d.projectPath, d.session); }

bool traceDemoDelivery(DemoRun& d) { return !d.deliver || TraceDemoDelivery(d.folder); }

const std::vector<DemoStep>& demoSteps() {
  static const std::vector<DemoStep> steps = {
      {"Prepare the demo folder", prepareFolder},
      {"Make the demo sound library and scan it", makeDemoSounds},
      {"Compose the demo session", composeSession},
      {"Make a demo video and read its picture", readDemoPicture},
      {"Build the events", buildDemoEvents},
      {"Save the project", saveDemoProject},
      {"Reopen the project", reopenAndDescribe},
      {"Render the mix", renderDemoMix},
      {"Export the delivery", deliverDemo},
      {"Trace a delivered clip back to its source", traceDemoDelivery},
  };
  return steps;
}

int run(const std::vector<std::string>& args);

const Command kDemo{"demo", "demo [DIR] [--no-export]",
                    "make a demo project from generated material (in ./varnel-demo by default)",
                    "  DIR          the folder for everything the demo makes; created when missing\n"
                    "  --no-export  stop after the mix: no delivery, nothing recorded in the ledger",
                    run};
const Registration kRegistration(kDemo);

int run(const std::vector<std::string>& args) {
  Args a(args, {}, {"--no-export"});
  if (!a.error().empty()) return usageError(kDemo, a.error());
  if (a.positional().size() > 1) return usageError(kDemo, "at most one folder");
  DemoRun d;
  d.folder = absolutePath(a.positional().empty() ? "varnel-demo" : a.positional()[0]);
  d.deliver = !a.has("--no-export");
  const auto& steps = demoSteps();
  for (size_t i = 0; i < steps.size(); ++i) {
    std::printf("[%zu/%zu] %s\n", i + 1, steps.size(), steps[i].title);
    std::fflush(stdout);
    if (!steps[i].run(d)) return kExitUserError;
  }
  std::printf("Demo ready: %s\n", d.projectPath.c_str());
  return kExitOk;
}

}  // namespace
}  // namespace vn::cli
