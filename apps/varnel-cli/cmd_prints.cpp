// varnel-cli prints: the provenance ledger. Which Print a delivered file is, what
// made it, and putting what made it back into a project.
#include <algorithm>
#include <cstdio>

#include "args.h"
#include "command.h"
#include "core/project_file.h"
#include "core/restore_events.h"
#include "export/delivered_file_print.h"
#include "ledger/print_facts.h"
#include "ledger/print_index.h"
#include "ledger/recover_print.h"
#include "library/libraries.h"
#include "platform/paths.h"
#include "project_summary.h"

namespace vn::cli {
namespace {

int runPrints(const std::vector<std::string>& args);

const Command kPrints{
    "prints", "prints find FILE... | show ID|TOKEN | list [--last N] | rebuild | recover FILE --into PROJECT",
    "look up delivered files in the provenance ledger and revert them to their sources",
    "  find FILE...        the Print of each delivered file (this machine's ledger, then the\n"
    "                      sidecars beside the file): when, who, where, what made it and\n"
    "                      whether its source files are here; exit 1 when none matched\n"
    "  show ID|TOKEN       the same for a print id or token (\"~VN...\")\n"
    "  list [--last N]     the Prints, newest first, one line each\n"
    "  rebuild             write the index again from the records\n"
    "  recover FILE --into PROJECT\n"
    "                      add the events and layers that made FILE to PROJECT, locked at\n"
    "                      their times, and save it",
    runPrints};
const Registration kRegistration(kPrints);

void printFacts(const PrintIndexEntry& entry) {
  const std::optional<PrintFacts> facts = ReadPrintFacts(entry);
  if (!facts) {
    std::printf("Print %s  %s\n  its record cannot be read; run \"varnel-cli prints rebuild\"\n", entry.printToken.c_str(),
                entry.printId.c_str());
    return;
  }
  for (const std::string& line : printFactsLines(*facts)) std::printf("%s\n", line.c_str());
}

int runFind(const std::vector<std::string>& files) {
  if (files.empty()) return usageError(kPrints, "name at least one file");
  int matched = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    if (i > 0) std::printf("\n");
    const std::string& path = files[i];
    std::optional<PrintIndexEntry> entry = fileExists(path) ? ResolvePrintOfFile(path) : std::nullopt;
    if (!entry) {
      std::printf("No print matches %s\n", path.c_str());
      continue;
    }
    ++matched;
    std::printf("%s\n", path.c_str());
    printFacts(*entry);
  }
  if (matched == 0)
    return userError(files.size() == 1 ? "No print matches " + files[0] + "." : "No print matches any of the files.");
  return kExitOk;
}

int runShow(const std::vector<std::string>& words) {
  if (words.size() != 1) return usageError(kPrints, "show takes one print id or token");
  const std::string& key = words[0];
  std::vector<PrintIndexEntry> found =
      FindPrints(key.rfind("~VN", 0) == 0 ? PrintKey::PrintToken : PrintKey::PrintId, key);
  if (found.empty()) return userError("No print has the id or token " + key + ".");
  for (size_t i = 0; i < found.size(); ++i) {
    if (i > 0) std::printf("\n");
    printFacts(found[i]);
  }
  return kExitOk;
}

int runList(Args& args) {
  if (args.positional().size() != 1) return usageError(kPrints, "list takes no files");
  const std::optional<long long> last = args.integer("--last");
  if (!args.error().empty()) return usageError(kPrints, args.error());
  if (last && *last <= 0) return usageError(kPrints, "--last is a count above 0");
  std::vector<PrintIndexEntry> all = AllPrints();
  std::stable_sort(all.begin(), all.end(), [](const PrintIndexEntry& a, const PrintIndexEntry& b) {
    return a.createdUTC > b.createdUTC;
  });
  if (last && static_cast<size_t>(*last) < all.size()) all.resize(static_cast<size_t>(*last));
  for (const PrintIndexEntry& e : all) std::printf("%s\n", printListLine(e).c_str());
  if (all.empty()) std::printf("The ledger holds no prints.\n");
  return kExitOk;
}

int runRebuild() {
  if (!RebuildIndex()) return userError("The ledger's index could not be written (no application data folder, or it is not writable).");
  const size_t count = AllPrints().size();
  std::printf("The index holds %zu print%s.\n", count, count == 1 ? "" : "s");
  return kExitOk;
}

int runRecover(Args& args) {
  const std::vector<std::string>& words = args.positional();
  const std::optional<std::string> projectPath = args.value("--into");
  if (words.size() != 2) return usageError(kPrints, "recover takes one delivered file");
  if (!projectPath) return usageError(kPrints, "--into PROJECT is needed");
  const std::string& file = words[1];
  if (!fileExists(file)) return userError(file + " does not exist or is not a file.");
  Session session;
  ProjectLoadInfo info;
  if (!loadProjectForCli(*projectPath, session, info)) return kExitUserError;
  const std::optional<PrintIndexEntry> entry = ResolvePrintOfFile(file);
  if (!entry) return userError("No print matches " + file + "; the project was not changed.");
  const std::optional<RestoreCounts> counts = RestorePrintInto(session, *entry);
  if (!counts) return userError("The record of " + entry->printToken + " cannot be read; the project was not changed.");
  if (!saveProject(*projectPath, session))
    return userError("Could not write " + *projectPath + "; the project was not changed.");
  std::printf("%s into %s\n", restoredText(*counts).c_str(), projectPath->c_str());
  return kExitOk;
}

int runPrints(const std::vector<std::string>& raw) {
  Args args(raw, {"--last", "--into"}, {});
  if (!args.error().empty()) return usageError(kPrints, args.error());
  if (args.positional().empty()) return usageError(kPrints, "name what to do: find, show, list, rebuild or recover");
  const std::string& what = args.positional()[0];
  const std::vector<std::string> rest(args.positional().begin() + 1, args.positional().end());
  if ((what != "list" && args.has("--last")) || (what != "recover" && args.has("--into")))
    return usageError(kPrints, "that option does not belong to " + what);
  // The Libraries tell where moved source files are now.
  StartLibraries();
  if (what == "find") return runFind(rest);
  if (what == "show") return runShow(rest);
  if (what == "list") return runList(args);
  if (what == "rebuild") return rest.empty() ? runRebuild() : usageError(kPrints, "rebuild takes nothing more");
  if (what == "recover") return runRecover(args);
  return usageError(kPrints, "unknown prints command \"" + what + "\"");
}

}  // namespace
}  // namespace vn::cli
