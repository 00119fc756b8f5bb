#pragma once
// The project named on the command line, and the text a second launch forwards.
#include <optional>
#include <string>
#include <vector>

namespace vn {

constexpr const char* kProjectExtension = ".vnproj";
// Links of the program's own URL scheme are never taken for a project path.
constexpr const char* kUrlScheme = "varnel:";

// The first argument that is not an option ("-..."), not a link of the program's own
// scheme and ends in ".vnproj" without regard to case. Absolute paths are accepted: on
// this platform "/" begins a path, not a switch.
std::optional<std::string> projectArgument(const std::vector<std::string>& args);

// The path made absolute against the current folder, so that another process (with
// another working folder) opens the same file.
std::string absoluteProjectPath(const std::string& path);

}  // namespace vn
