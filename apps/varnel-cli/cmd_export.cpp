// varnel-cli export: the built project to a delivery folder in one run.
#include <csignal>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/project_file.h"
#include "export/export_job.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "export_progress.h"
#include "progress.h"
#include "render/loudness.h"

namespace vn::cli {
namespace {

int runExport(const std::vector<std::string>& args);

const Command kExport{
    "export",
    "export PROJECT --out DIR [--name BASE] [--aaf] [--wav mixdown,stems,tracks,clips] [--reverb-stem] "
    "[--layout stereo|5.1|7.1.4|ambix] [--lufs -14|-16|-18|-23] [--conform | --keep-source-channels] [--multichannel] "
    "[--handles SECONDS | --full-source] [--no-print-token]",
    "deliver the built project: mixdown, stems, tracks, clips, reverb stem",
    "Renders every built layer and writes the delivery into DIR, each file a 24-bit\n"
    "Broadcast-WAV carrying the recipe, a manifest of its layers and its own print identity.\n"
    "When the run writes nothing (or is cancelled with Ctrl-C) every file and folder it made\n"
    "is removed again. Options not given come from the preferences.\n"
    "  --out DIR              the delivery folder (made when missing)\n"
    "  --name BASE            base name of the mixdown and the reverb stem (default: the project's)\n"
    "  --aaf, --wav KINDS     the formats to write; given either, only those are written\n"
    "                         (KINDS: mixdown, stems, tracks, clips, comma-separated)\n"
    "  --reverb-stem          also write the wet reverb as its own file (the reverb must be on)\n"
    "  --layout L             mixdown and stems in stereo, 5.1, 7.1.4 or ambix\n"
    "  --lufs T               loudness-match the mixdown to -14, -16, -18 or -23 LUFS\n"
    "  --conform              fit the delivery to the tracks the busses declare (folds and converts)\n"
    "  --keep-source-channels every layer ships with its own channels, nothing folded\n"
    "                         (neither: the project's own channel mode)\n"
    "  --multichannel         AAF: one multichannel track instead of multi-mono\n"
    "  --handles SECONDS      clip handles each side; --full-source: the whole source\n"
    "  --no-print-token       leave the print reference out of bext and the coding history\n"
    "The last line is the result; the exit code is 0 when the export completed.",
    runExport};
const Registration kRegistration(kExport);

std::optional<int> layoutIndex(const std::string& text) {
  const char* names[] = {"stereo", "5.1", "7.1.4", "ambix"};
  for (int i = 0; i < 4; ++i)
    if (text == names[i]) return i;
  return std::nullopt;
}

// "mixdown,stems" into the four kind switches; false on an unknown word.
bool readWavKinds(const std::string& text, ExportOptions& o) {
  o.wavMixdown = o.wavStems = o.wavTracks = o.wavClips = false;
  std::stringstream list(text);
  std::string word;
  while (std::getline(list, word, ',')) {
    if (word == "mixdown") o.wavMixdown = true;
    else if (word == "stems") o.wavStems = true;
    else if (word == "tracks") o.wavTracks = true;
    else if (word == "clips") o.wavClips = true;
    else return false;
  }
  return true;
}

int runExport(const std::vector<std::string>& raw) {
  Args args(raw, {"--out", "--name", "--wav", "--layout", "--lufs", "--handles"},
            {"--aaf", "--reverb-stem", "--conform", "--keep-source-channels", "--multichannel", "--full-source", "--no-print-token"});
  if (!args.error().empty()) return usageError(kExport, args.error());
  if (args.positional().size() != 1) return usageError(kExport, "export takes one project");
  const std::string folder = args.value("--out").value_or("");
  if (folder.empty()) return usageError(kExport, "name the delivery folder with --out DIR");

  Preferences prefs;
  LoadPreferences(prefs);
  ExportOptions o = exportOptionsFromPreferences(prefs);
  const std::string& project = args.positional()[0];
  o.folder = folder;
  o.projectPath = project;
  o.baseName = args.value("--name").value_or(stemOf(project));
  if (args.has("--aaf") || args.value("--wav")) {
    o.formatAAF = args.has("--aaf");
    o.formatWAV = args.value("--wav").has_value();
    if (o.formatWAV && !readWavKinds(*args.value("--wav"), o))
      return usageError(kExport, "--wav takes mixdown, stems, tracks and clips, comma-separated");
  }
  if (args.has("--reverb-stem")) o.reverbStem = true;
  if (const auto layout = args.value("--layout")) {
    const auto index = layoutIndex(*layout);
    if (!index) return usageError(kExport, "--layout is stereo, 5.1, 7.1.4 or ambix");
    o.wavLayout = *index;
  }
  if (const auto lufs = args.value("--lufs")) {
    const auto value = parseInteger(*lufs);
    const auto index = value ? mixdownLoudnessIndex(*value) : std::nullopt;
    if (!index) return usageError(kExport, "--lufs is -14, -16, -18 or -23");
    o.lufsIndex = *index;
  }
  if (args.has("--conform") && args.has("--keep-source-channels"))
    return usageError(kExport, "give either --conform or --keep-source-channels");
  if (args.has("--conform")) o.aafSourceChannels = false;
  if (args.has("--keep-source-channels")) o.aafSourceChannels = true;
  if (args.has("--multichannel")) o.aafMultichannelTracks = true;
  if (args.has("--handles") && args.has("--full-source"))
    return usageError(kExport, "give either --handles or --full-source");
  if (const auto handles = args.number("--handles")) {
    if (*handles < 0.0 || *handles > 60.0) return usageError(kExport, "--handles is 0 to 60 seconds");
    o.handleDuration = static_cast<float>(*handles);
    o.handleFullSource = false;
  }
  if (!args.error().empty()) return usageError(kExport, args.error());
  if (args.has("--full-source")) o.handleFullSource = true;
  if (args.has("--no-print-token")) o.embedPrintToken = false;
  if (const std::string problem = exportOptionsProblem(o); !problem.empty()) return usageError(kExport, problem);

  Session session;
  std::string error;
  if (!loadProject(project, session, error)) return userError(error);
  // Without either switch the project's own delivery channel mode holds.
  if (!args.has("--conform") && !args.has("--keep-source-channels"))
    o.aafSourceChannels = session.exportSettings.exportAAFSourceChannels;
  if (session.results.empty())
    return userError("The project has no built layers to export - build it first (varnel-cli build).");
  if (args.has("--reverb-stem") && !session.reverb.enabled)
    return userError("The project's reverb is off, so there is no reverb stem to write.");
  StartLibraries();
  o.spatialAmount = prefs.spatialAmount;
  o.spatialDiffuse = prefs.spatialDiffuse;

  installInterruptHandler();
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write instead of killing the run
  ExportRun run;
  run.options = o;
  ExportProgress progress;
  renderAndExport(session, run, progress.watch(), [&](int done, int total) { progress.rendered(done, total); });
  progress.finish();
  for (const ExportedFile& f : run.written) std::printf("  %-7s %s\n", f.kind.c_str(), f.path.c_str());
  std::printf("%s\n", run.resultText.c_str());
  return exportRunFailed(run) ? kExitUserError : kExitOk;
}

}  // namespace
}  // namespace vn::cli
