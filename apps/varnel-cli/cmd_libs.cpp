// varnel-cli libs: the Libraries and Palettes of the application data folder.
#include <cstdio>
#include <ctime>

#include "args.h"
#include "command.h"
#include "library/libraries.h"

namespace vn::cli {
namespace {

std::string scannedText(int64_t scanned) {
  if (scanned <= 0) return "never";
  std::time_t t = static_cast<std::time_t>(scanned);
  std::tm local{};
  char buf[32];
  if (!localtime_r(&t, &local) || !std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local)) return "?";
  return buf;
}

int runLibs(const std::vector<std::string>& args);

const Command kLibs{"libs", "libs", "list the Libraries and Palettes with their file counts",
                    "One line per Library: name, file count, indexed folder, time of the last scan,\n"
                    "and [palette] for a Palette. Index files are read from the application data folder.",
                    runLibs};

int runLibs(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kLibs, args.error());
  if (!args.positional().empty()) return usageError(kLibs, "libs takes no arguments");
  std::string folder = LibraryFolder();
  if (folder.empty()) return userError("There is no application data folder (set APPDATA or HOME).");
  StartLibraries();
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  if (list.libraries.empty()) {
    std::printf("No Libraries in %s\n", folder.c_str());
    return kExitOk;
  }
  for (const Library& library : list.libraries) {
    std::printf("%-28s %7zu file%s  %-40s scanned %s%s\n", library.name.c_str(), library.records.size(),
                library.records.size() == 1 ? " " : "s",
                library.savedPalette ? "-" : library.folder.c_str(), scannedText(library.scanned).c_str(),
                library.savedPalette ? "  [palette]" : "");
  }
  return kExitOk;
}

const Registration kRegistration(kLibs);

}  // namespace
}  // namespace vn::cli
