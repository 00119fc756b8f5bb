// varnel-cli inspect: what a delivered file carries.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "export/aaf/aaf_reader.h"
#include "export/aaf_inspect.h"
#include "export/delivered_file_inspect.h"
#include "export/delivered_file_report.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn::cli {
namespace {

int runInspect(const std::vector<std::string>& args);

const Command kInspect{
    "inspect", "inspect FILE... [--fps N] [--json]", "show what a delivered file carries",
    "For each Broadcast-WAV file: its format, channels and layout, length, the bext\n"
    "fields (the time reference also as timecode), the iXML USER fields, the print\n"
    "token and reference, the recipe's events and the manifest's layers and source\n"
    "files, each marked found or missing on this machine (at its path, else by its\n"
    "library id or content through the Libraries). For an AAF session: its\n"
    "composition, tracks and clips with timecode, source file, gain and fades.\n"
    "  --fps N   project frame rate for timecodes (default 24)\n"
    "  --json    one JSON object per file instead of text",
    runInspect};
const Registration kRegistration(kInspect);

struct InspectRequest {
  InspectOptions options;
  bool json = false;
};

// One entry per kind of file inspect understands; the first whose test accepts the
// file prints it. Returns false with one sentence in error.
struct FileKind {
  bool (*accepts)(const std::string& path);
  bool (*print)(const std::string& path, const InspectRequest& request, std::string& error);
};

bool printWav(const std::string& path, const InspectRequest& request, std::string& error) {
  const auto report = InspectDeliveredWav(path, request.options, error);
  if (!report) return false;
  if (request.json) {
    std::printf("%s\n", deliveredFileJson(*report).c_str());
  } else {
    for (const std::string& line : deliveredFileLines(*report)) std::printf("%s\n", line.c_str());
  }
  return true;
}

bool printAaf(const std::string& path, const InspectRequest&, std::string& error) {
  std::string why;
  const auto session = aaf::readSessionFile(path, why);
  if (!session) {
    error = format("%s could not be read as an AAF session: %s.", path.c_str(), why.c_str());
    return false;
  }
  for (const std::string& line : aafSessionLines(*session)) std::printf("%s\n", line.c_str());
  return true;
}

constexpr FileKind kFileKinds[] = {
    {looksLikeWav, printWav},
    {aaf::looksLikeAaf, printAaf},
};

int runInspect(const std::vector<std::string>& raw) {
  Args args(raw, {"--fps"}, {"--json"});
  if (!args.error().empty()) return usageError(kInspect, args.error());
  if (args.positional().empty()) return usageError(kInspect, "name at least one file");
  InspectRequest request;
  request.json = args.has("--json");
  if (const auto fps = args.number("--fps")) {
    if (*fps <= 0 || *fps > 1000) return usageError(kInspect, "--fps is a frame rate above 0");
    request.options.fps = *fps;
  }
  if (!args.error().empty()) return usageError(kInspect, args.error());
  StartLibraries();
  int failed = 0;
  bool first = true;
  for (const std::string& path : args.positional()) {
    std::string error;
    bool printed = false;
    if (!first && !request.json) std::printf("\n");
    first = false;
    if (!fileExists(path)) {
      error = format("%s does not exist or is not a file.", path.c_str());
    } else {
      error = format("%s is not a file inspect can read (Broadcast-WAV or AAF).", path.c_str());
      for (const FileKind& kind : kFileKinds) {
        if (!kind.accepts(path)) continue;
        printed = kind.print(path, request, error);
        break;
      }
    }
    if (!printed) {
      std::fprintf(stderr, "%s\n", error.c_str());
      ++failed;
    }
  }
  return failed ? kExitUserError : kExitOk;
}

}  // namespace
}  // namespace vn::cli
