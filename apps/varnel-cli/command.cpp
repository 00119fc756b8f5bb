#include "command.h"

#include <cstdio>

namespace vn::cli {
namespace {

std::vector<Command>& registry() {
  static std::vector<Command> list;
  return list;
}

}  // namespace

const std::vector<Command>& commands() { return registry(); }

Registration::Registration(const Command& command) { registry().push_back(command); }

int usageError(const Command& command, const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "varnel-cli %s: %s\n", command.name, problem.c_str());
  std::fprintf(stderr, "usage: varnel-cli %s\n", command.usage);
  return kExitUsage;
}

int userError(const std::string& sentence) {
  std::fprintf(stderr, "%s\n", sentence.c_str());
  return kExitUserError;
}

bool wantsHelp(const Command& command, const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::printf("usage: varnel-cli %s\n\n%s\n", command.usage, command.summary);
      if (command.help && *command.help) std::printf("\n%s\n", command.help);
      return true;
    }
  }
  return false;
}

}  // namespace vn::cli
