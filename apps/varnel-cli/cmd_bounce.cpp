// varnel-cli bounce: events rendered into one Clip on the timeline, and back again.
#include <cstdio>

#include "args.h"
#include "build_session.h"
#include "command.h"
#include "core/bounce_edit.h"
#include "core/source_paths.h"
#include "export/bounce_render.h"
#include "library/file_identity.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "preset_commands.h"

namespace vn::cli {
namespace {

int runBounce(const std::vector<std::string>& args);

const Command kBounce{
    "bounce", "bounce PROJECT --events I,J [--out FOLDER] | bounce PROJECT --revert I",
    "render events into one Clip on the timeline (Bounce Selection to Clip), or put a bounce's events back",
    "  --events I,J   the events to bounce (0 is the first); they are replaced by one locked\n"
    "                 Clip of their rendered file, which keeps them for a revert\n"
    "  --out FOLDER   where the file goes (default: \"Bounces\" beside the project); the file\n"
    "                 is recorded in the provenance ledger\n"
    "  --revert I     the bounce at event I gives way to the events it was made of, with\n"
    "                 their layers, locked\n"
    "The project is saved.",
    runBounce};
const Registration kRegistration(kBounce);

int bounce(const std::string& project, Session& session, const std::vector<int>& events, const std::string& folder) {
  StartLibraries();
  const BounceRender file = renderBounce(session, events, folder);
  if (!file.ok) return userError(file.error);
  const int clip = bounceEventsToClip(session, events, file.path, FileIdForPath(file.path), file.start, file.duration);
  // The Clip's one layer is its file, as for any Clip.
  BuildEngineState state;
  BuildOptions options;
  options.onlyEvent = clip;
  buildWithAppLibraries(session, state, options);
  if (!savePresetProject(project, session)) return kExitUserError;
  std::printf("%s\n", file.path.c_str());
  std::printf("Bounced %zu event%s into the Clip at event %d (%.2f s from %.2f s)\n", events.size(),
              plural(static_cast<int64_t>(events.size())), clip, file.duration, file.start);
  return kExitOk;
}

int revert(const std::string& project, Session& session, int clip) {
  if (!isBounce(session, clip)) return userError(format("Event %d is not a bounced Clip.", clip));
  const Event& event = session.events[static_cast<size_t>(clip)];
  const std::string path = event.pinnedFile;
  const RestoreCounts counts = revertBounce(session, clip, bouncedLayers(path, event.time));
  if (!savePresetProject(project, session)) return kExitUserError;
  std::printf("%s%s\n", restoredText(counts).c_str(),
              counts.layers == 0 ? " - the bounce file holds no layers; build the events again" : "");
  return kExitOk;
}

int runBounce(const std::vector<std::string>& raw) {
  Args a(raw, {"--events", "--out", "--revert"}, {});
  const std::optional<long long> revertAt = a.integer("--revert");
  if (!a.error().empty()) return usageError(kBounce, a.error());
  if (a.positional().size() != 1) return usageError(kBounce, "bounce takes one project");
  const std::optional<std::string> events = a.value("--events");
  if (events.has_value() == revertAt.has_value()) return usageError(kBounce, "give either --events I,J or --revert I");
  const std::string& project = a.positional()[0];
  Session session;
  if (!loadPresetProject(project, session)) return kExitUserError;
  const int count = static_cast<int>(session.events.size());
  if (revertAt) {
    if (*revertAt < 0 || *revertAt >= count)
      return userError(format("The project has %d event%s; there is no event %lld.", count, plural(count), *revertAt));
    return revert(project, session, static_cast<int>(*revertAt));
  }
  const std::optional<std::vector<int>> positions = eventList(*events);
  if (!positions) return usageError(kBounce, "--events takes event numbers separated by commas");
  for (int p : *positions)
    if (p >= count) return userError(format("The project has %d event%s; there is no event %d.", count, plural(count), p));
  const std::string folder = a.value("--out").value_or(pathJoin(parentFolder(absolutePath(project)), "Bounces"));
  return bounce(project, session, *positions, folder);
}

}  // namespace
}  // namespace vn::cli
