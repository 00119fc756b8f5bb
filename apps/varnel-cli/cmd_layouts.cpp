// varnel-cli layouts: the bus layout templates of the application data folder.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "core/session_edit.h"
#include "export/bus_templates.h"
#include "export/delivery_report.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "render/track_routing.h"

namespace vn::cli {
namespace {

int runLayouts(const std::vector<std::string>& args);

const Command kLayouts{
    "layouts", "layouts list | save NAME PROJECT | apply NAME PROJECT | default NAME",
    "list, save and apply bus layout templates, and choose the one new sessions start with",
    "  list                 every template with its busses and declared delivery tracks\n"
    "  save NAME PROJECT    keep the project's busses as template NAME (replacing one of that name)\n"
    "  apply NAME PROJECT   give the project the busses of template NAME and save it\n"
    "  default NAME         new sessions start with template NAME (\"\" for none)\n"
    "Templates live in vn_bus_templates.json in the application data folder.",
    runLayouts};
const Registration kRegistration(kLayouts);

int listLayouts(const BusTemplateStore& store) {
  if (store.templates.empty()) {
    std::printf("No bus layout templates yet - save one with: varnel-cli layouts save NAME PROJECT\n");
    return kExitOk;
  }
  for (const BusTemplate& t : store.templates) {
    std::printf("%s%s  (%d bus%s)\n", t.name.c_str(), t.name == store.defaultLayout ? "  [default]" : "",
                t.busCount, t.busCount == 1 ? "" : "ses");
    for (const Bus& b : t.buses) {
      const std::string declaration = busDeclarationSummary(b);
      std::printf("  %-20s %s\n", b.name.c_str(), declaration.empty() ? "free" : declaration.c_str());
    }
  }
  return kExitOk;
}

int saveLayout(BusTemplateStore& store, const std::string& folder, const std::string& name, const std::string& project) {
  Session session;
  std::string error;
  if (!loadProject(project, session, error)) return userError(error);
  BusTemplate entry = busTemplateFromLayout(name, session.trackLayout);
  const int busses = entry.busCount;
  putBusTemplate(store, std::move(entry));
  if (!writeBusTemplates(folder, store)) return userError("The bus layout templates could not be written.");
  std::printf("Saved bus layout \"%s\" (%d bus%s)\n", name.c_str(), busses, busses == 1 ? "" : "ses");
  return kExitOk;
}

int applyLayout(const BusTemplateStore& store, const std::string& name, const std::string& project) {
  const BusTemplate* entry = findBusTemplate(store, name);
  if (!entry) return userError(format("There is no bus layout named \"%s\" - see varnel-cli layouts list.", name.c_str()));
  Session session;
  std::string error;
  if (!loadProject(project, session, error)) return userError(error);
  replaceTrackLayout(session, layoutFromBusTemplate(*entry));
  TrackLayoutState state;
  rerouteAndRepack(session, state);
  if (!saveProject(project, session)) return userError(format("%s could not be saved.", project.c_str()));
  std::printf("Applied bus layout \"%s\" to %s (%d bus%s)\n", name.c_str(), project.c_str(),
              session.trackLayout.busCount, session.trackLayout.busCount == 1 ? "" : "ses");
  return kExitOk;
}

int runLayouts(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kLayouts, args.error());
  const std::vector<std::string>& words = args.positional();
  if (words.empty()) return usageError(kLayouts, "name what to do: list, save, apply or default");
  const std::string folder = ensureAppDataFolder();
  if (folder.empty()) return userError("There is no application data folder (set HOME).");
  BusTemplateStore store = readBusTemplates(folder);
  const std::string& verb = words[0];
  if (verb == "list" && words.size() == 1) return listLayouts(store);
  if (verb == "save" && words.size() == 3) {
    if (words[1].empty()) return usageError(kLayouts, "a template needs a name");
    return saveLayout(store, folder, words[1], words[2]);
  }
  if (verb == "apply" && words.size() == 3) return applyLayout(store, words[1], words[2]);
  if (verb == "default" && words.size() == 2) {
    if (!words[1].empty() && !findBusTemplate(store, words[1]))
      return userError(format("There is no bus layout named \"%s\" - see varnel-cli layouts list.", words[1].c_str()));
    store.defaultLayout = words[1];
    if (!writeBusTemplates(folder, store)) return userError("The bus layout templates could not be written.");
    if (words[1].empty()) {
      std::printf("New sessions start with the standard busses\n");
    } else {
      std::printf("New sessions start with bus layout \"%s\"\n", words[1].c_str());
    }
    return kExitOk;
  }
  return usageError(kLayouts, "layouts takes list, save NAME PROJECT, apply NAME PROJECT or default NAME");
}

}  // namespace
}  // namespace vn::cli
