#pragma once
// The process around everything else: start-up, the frame loop and shut-down.
#include <string>
#include <vector>

namespace vn {

// args: the command line without the program name. Returns the process exit code.
int runVarnel(const std::vector<std::string>& args);

}  // namespace vn
