#include "demo_export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/preferences.h"
#include "export/delivered_file_print.h"
#include "export/export_job.h"
#include "ledger/print_facts.h"
#include "export_progress.h"
#include "platform/paths.h"

namespace vn::cli {

std::string DemoDeliveryFolder(const std::string& demoFolder) { return pathJoin(demoFolder, "Delivery"); }

bool DeliverDemo(const std::string& demoFolder, const std::string& projectPath, Session& session) {
  if (session.results.empty()) {
    std::printf("      no built layers yet - nothing to deliver\n");
    return true;
  }
  Preferences prefs;
  LoadPreferences(prefs);
  ExportRun run;
  ExportOptions& o = run.options;
  o = exportOptionsFor(prefs, session.exportSettings);
  o.folder = DemoDeliveryFolder(demoFolder);
  o.baseName = "demo";
  o.projectPath = projectPath;
  o.formatAAF = true;
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

bool TraceDemoDelivery(const std::string& demoFolder) {
  // The first clip by name: one layer, so its Print reads as one sound and its source.
  const std::string clips = pathJoin(DemoDeliveryFolder(demoFolder), "Clips");
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(clips, ec))
    if (e.path().extension() == ".wav") names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  if (names.empty()) {
    std::fprintf(stderr, "The demo delivered no clip to trace in %s.\n", clips.c_str());
    return false;
  }
  const std::string& clip = names.front();
  const std::optional<PrintIndexEntry> entry = ResolvePrintOfFile(clip);
  const std::optional<PrintFacts> facts = entry ? ReadPrintFacts(*entry) : std::nullopt;
  if (!facts) {
    std::fprintf(stderr, "No print matches %s.\n", clip.c_str());
    return false;
  }
  for (const std::string& line : printFactsLines(*facts)) std::printf("      %s\n", line.c_str());
  return true;
}

}  // namespace vn::cli
