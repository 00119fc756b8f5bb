// varnel-cli loudness: integrated loudness of sound files.
#include <cmath>
#include <cstdio>

#include "args.h"
#include "command.h"
#include "render/file_loudness.h"

namespace vn::cli {
namespace {

int runLoudness(const std::vector<std::string>& args);

const Command kLoudness{"loudness", "loudness FILE...", "measure the integrated loudness of sound files",
                        "Prints each file's integrated loudness (BS.1770 with R128 gating), its sample\n"
                        "peak, channels and length. Surround files in the usual channel order weigh\n"
                        "their side surrounds by 1.41 and leave the LFE out.",
                        runLoudness};
const Registration kRegistration(kLoudness);

int runLoudness(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kLoudness, args.error());
  if (args.positional().empty()) return usageError(kLoudness, "name at least one file");
  int failed = 0;
  for (const std::string& path : args.positional()) {
    std::string error;
    const auto m = measureFileLoudness(path, error);
    if (!m) {
      std::fprintf(stderr, "%s cannot be read: %s.\n", path.c_str(), error.c_str());
      ++failed;
      continue;
    }
    const double peakDb = m->samplePeak > 0.0f ? 20.0 * std::log10(m->samplePeak) : -1e9;
    if (m->lufs <= -100.0f) {
      std::printf("%s: silent (nothing above the gates)  %d ch  %.2f s\n", path.c_str(), m->channels, m->seconds);
    } else {
      std::printf("%s: %.1f LUFS  peak %.1f dBFS  %d ch  %d Hz  %.2f s\n", path.c_str(), m->lufs, peakDb,
                  m->channels, m->sampleRate, m->seconds);
    }
  }
  return failed ? kExitUserError : kExitOk;
}

}  // namespace
}  // namespace vn::cli
