#include "demo_export.h"

#include <cstdio>
#include <filesystem>

#include "core/preferences.h"
#include "export/export_job.h"
#include "export_progress.h"
#include "platform/paths.h"

namespace vn::cli {

std::string DemoDeliveryFolder(const std::string& demoFolder) { return pathJoin(demoFolder, "Delivery"); }

bool DeliverDemo(const std::string& demoFolder, Session& session) {
  if (session.results.empty()) {
    std::printf("      no built layers yet - nothing to deliver\n");
    return true;
  }
  Preferences prefs;
  LoadPreferences(prefs);
  ExportRun run;
  ExportOptions& o = run.options;
  o = exportOptionsFromPreferences(prefs);
  o.folder = DemoDeliveryFolder(demoFolder);
  o.baseName = "demo";
  o.formatAAF = false;
  o.formatWAV = o.wavMixdown = o.wavStems = o.wavTracks = o.wavClips = true;
  o.reverbStem = session.reverb.enabled;
  o.lufsIndex = 4;  // -23 LUFS
  // The demo's folder is its own: a second run delivers afresh rather than beside the first.
  std::error_code ec;
  std::filesystem::remove_all(o.folder, ec);
  ExportProgress progress;
  renderAndExport(session, run, progress.watch(), [&](int done, int total) { progress.rendered(done, total); });
  progress.finish();
  if (exportRunFailed(run)) {
    std::fprintf(stderr, "%s\n", run.resultText.c_str());
    return false;
  }
  int clips = 0;
  for (const ExportedFile& f : run.written) clips += f.kind == "clip";
  std::printf("      %s: %s (%d clips in Clips/)\n", run.resultText.c_str(), o.folder.c_str(), clips);
  return true;
}

}  // namespace vn::cli
