// varnel-cli chain: save a Group of a project as a chain, list the saved chains, or
// place one into a project.
#include <algorithm>
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/preferences.h"
#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "core/timecode.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "preset_commands.h"

namespace vn::cli {
namespace {

int runChain(const std::vector<std::string>& args);

const Command kChain{
    "chain",
    "chain save PROJECT --group NAME | chain list | chain place NAME PROJECT --at SECONDS",
    "save, list and place chains (a Group of events with their relative times)",
    "  save PROJECT --group NAME\n"
    "               saves the events of the Group as a chain of that name; a saved chain of\n"
    "               the same name is replaced\n"
    "  list         the saved chains with their events and length\n"
    "  place NAME PROJECT --at SECONDS\n"
    "               adds the chain's events at the time plus their relative times, as one\n"
    "               linked Group when the preference \"Place each Chain as one linked group\"\n"
    "               is on; the project is saved\n"
    "Chains live in the Chains folder of the documents folder.",
    runChain};
const Registration kRegistration(kChain);

int runSave(Args& a) {
  const std::optional<std::string> group = a.value("--group");
  if (a.positional().size() != 2) return usageError(kChain, "chain save takes one project");
  if (!group) return usageError(kChain, "--group NAME is needed");
  Session session;
  if (!loadPresetProject(a.positional()[1], session)) return kExitUserError;
  const std::vector<Event> events = groupEvents(session, *group);
  if (events.empty()) return userError("The project has no group named \"" + *group + "\".");
  const std::string folder = chainsFolder();
  const bool replacing = fileExists(chainFilePath(folder, *group));
  std::string error;
  if (!saveChain(*group, events, folder, error)) return userError(error);
  std::printf("%s chain \"%s\" (%zu event%s) in %s\n", replacing ? "Replaced" : "Saved", group->c_str(),
              events.size(), plural(static_cast<int64_t>(events.size())), chainFilePath(folder, *group).c_str());
  return kExitOk;
}

float chainLength(const Chain& c) {
  float end = 0.0f;
  for (const ChainEvent& ce : c.events) end = std::max(end, ce.relTime + ce.event.duration);
  return end;
}

int runList() {
  const std::string folder = chainsFolder();
  const std::vector<SavedPreset> saved = listChains(folder);
  if (saved.empty()) {
    std::printf("No chains saved in %s\n", folder.c_str());
    return kExitOk;
  }
  for (const SavedPreset& s : saved) {
    Chain c;
    if (!loadChain(s.path, c)) {
      std::printf("%-24s (cannot be read)\n", s.name.c_str());
      continue;
    }
    std::printf("%-24s %3zu event%s  %7.2f s\n", s.name.c_str(), c.events.size(),
                c.events.size() == 1 ? " " : "s", chainLength(c));
  }
  std::printf("%zu chain%s in %s\n", saved.size(), plural(static_cast<int64_t>(saved.size())), folder.c_str());
  return kExitOk;
}

int runPlace(Args& a) {
  const std::optional<double> at = a.number("--at");
  if (!a.error().empty()) return usageError(kChain, a.error());
  if (a.positional().size() != 3) return usageError(kChain, "chain place takes a chain name and a project");
  std::string problem;
  const std::optional<float> time = placementTime(at, problem);
  if (!time) return usageError(kChain, problem);
  const std::string& path = a.positional()[2];
  Session session;
  if (!loadPresetProject(path, session)) return kExitUserError;
  const std::string folder = chainsFolder();
  const std::optional<SavedPreset> saved = findNamed(listChains(folder), a.positional()[1], "chain", folder);
  if (!saved) return kExitUserError;
  Chain chain;
  if (!loadChain(saved->path, chain))
    return userError("The chain \"" + saved->name + "\" cannot be read (" + saved->path + ").");
  if (chain.events.empty()) return userError("The chain \"" + saved->name + "\" holds no events; nothing was placed.");
  chain.name = saved->name;
  Preferences prefs;
  LoadPreferences(prefs);
  const std::vector<int> placed = placeChain(session, chain, *time, prefs.chainsImportAsGroup);
  if (!savePresetProject(path, session)) return kExitUserError;
  const std::string& group = session.events[static_cast<size_t>(placed.front())].folder;
  std::printf("Placed chain \"%s\": %zu event%s from %s%s%s\n", chain.name.c_str(), placed.size(),
              plural(static_cast<int64_t>(placed.size())), formatTimecode(*time, session.settings.fps).c_str(),
              group.empty() ? "" : ", linked group ", group.c_str());
  return kExitOk;
}

int runChain(const std::vector<std::string>& raw) {
  Args a(raw, {"--group", "--at"}, {});
  if (!a.error().empty()) return usageError(kChain, a.error());
  if (a.positional().empty()) return usageError(kChain, "give an action: save, list or place");
  migrateLegacyPresetFolders();
  StartLibraries();
  const std::string& action = a.positional()[0];
  if (action == "save") return runSave(a);
  if (action == "list") {
    if (a.positional().size() != 1) return usageError(kChain, "chain list takes no arguments");
    return runList();
  }
  if (action == "place") return runPlace(a);
  return usageError(kChain, "unknown action \"" + action + "\"");
}

}  // namespace
}  // namespace vn::cli
