// varnel-cli palette create NAME FILE...: a Palette of hand-picked files.
#include <cstdio>
#include <filesystem>

#include "args.h"
#include "command.h"
#include "library/libraries.h"
#include "platform/text.h"

namespace vn::cli {
namespace {

int runPalette(const std::vector<std::string>& args);

const Command kPalette{
    "palette", "palette create NAME FILE...", "make a Palette of sound files",
    "Each file is taken with its analysis from the Library that indexed it; a file no\n"
    "Library knows is added bare and analysed by the next scan. A taken name gets a number.",
    runPalette};

int runPalette(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kPalette, args.error());
  const std::vector<std::string>& words = args.positional();
  if (words.empty() || words[0] != "create") return usageError(kPalette, "the only action is \"create\"");
  if (words.size() < 3) return usageError(kPalette, "give a name and at least one file");
  if (LibraryFolder().empty()) return userError("There is no application data folder (set APPDATA or HOME).");

  StartLibraries();
  std::vector<std::string> paths;
  for (size_t i = 2; i < words.size(); ++i) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(words[i], ec);
    paths.push_back(ec ? words[i] : absolute.lexically_normal().string());
  }
  PaletteResult result = CreatePalette(paths, words[1]);
  for (const std::string& skipped : result.skipped)
    std::fprintf(stderr, "Skipped %s: no Library knows it and it does not exist\n", skipped.c_str());
  if (result.palette.records.empty()) return userError("No Palette was made: none of the files was found.");
  if (!result.saved)
    return userError("The Palette \"" + result.palette.name + "\" could not be written to " +
                     LibraryIndexPath(result.palette.name) + ".");
  std::printf("Palette \"%s\": %zu file%s, written to %s\n", result.palette.name.c_str(),
              result.palette.records.size(), plural(result.palette.records.size()),
              LibraryIndexPath(result.palette.name).c_str());
  return kExitOk;
}

const Registration kRegistration(kPalette);

}  // namespace
}  // namespace vn::cli
