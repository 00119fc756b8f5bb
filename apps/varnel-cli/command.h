#pragma once
// Each varnel-cli command lives in its own file and registers itself here.
#include <string>
#include <vector>

namespace vn::cli {

// Exit codes: 0 success, 1 a user error (one clear sentence on standard error), 2 bad usage.
constexpr int kExitOk = 0;
constexpr int kExitUserError = 1;
constexpr int kExitUsage = 2;

struct Command {
  const char* name;
  const char* usage;    // "scan FOLDER [--force] [--threads N]"
  const char* summary;  // one line for the command list
  const char* help;     // the rest of "--help": options, one per line
  int (*run)(const std::vector<std::string>& args);
};

const std::vector<Command>& commands();

struct Registration {
  explicit Registration(const Command& command);
};

// Prints "usage: varnel-cli <usage>" to standard error and returns kExitUsage.
int usageError(const Command& command, const std::string& problem);
// Prints the sentence to standard error and returns kExitUserError.
int userError(const std::string& sentence);
// True when args hold --help or -h; prints the command's help then.
bool wantsHelp(const Command& command, const std::vector<std::string>& args);

}  // namespace vn::cli
