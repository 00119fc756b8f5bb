// varnel-cli: the engine without a window, for batch work, scripting and tests.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "platform/paths.h"

namespace {

void printOverview() {
  std::printf("Varnel %s - sound design for picture, without a window.\n\n", vn::programVersion());
  std::printf("usage: varnel-cli COMMAND [ARGS...]   (varnel-cli COMMAND --help for details)\n\n");
  std::vector<vn::cli::Command> list = vn::cli::commands();
  std::sort(list.begin(), list.end(),
            [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const auto& c : list) std::printf("  %-10s %s\n", c.name, c.summary);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
      !std::strcmp(argv[1], "help")) {
    printOverview();
    return argc < 2 ? vn::cli::kExitUsage : vn::cli::kExitOk;
  }
  if (!std::strcmp(argv[1], "--version")) {
    std::printf("varnel-cli %s\n", vn::programVersion());
    return vn::cli::kExitOk;
  }
  for (const auto& c : vn::cli::commands()) {
    if (std::strcmp(c.name, argv[1]) != 0) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    if (vn::cli::wantsHelp(c, args)) return vn::cli::kExitOk;
    return c.run(args);
  }
  std::fprintf(stderr, "varnel-cli: unknown command \"%s\" (varnel-cli --help lists them)\n", argv[1]);
  return vn::cli::kExitUsage;
}
