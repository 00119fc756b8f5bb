#include "app/command_line.h"

#include <filesystem>

#include "platform/paths.h"

namespace vn {

std::optional<std::string> projectArgument(const std::vector<std::string>& args) {
  const std::string scheme = kUrlScheme;
  for (const std::string& arg : args) {
    if (arg.empty() || arg[0] == '-') continue;
    if (arg.size() >= scheme.size() && endsWithNoCase(arg.substr(0, scheme.size()), scheme)) continue;
    if (endsWithNoCase(arg, kProjectExtension)) return arg;
  }
  return std::nullopt;
}

std::string absoluteProjectPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return absolute.lexically_normal().string();
}

}  // namespace vn
