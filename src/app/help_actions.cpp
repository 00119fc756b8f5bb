#include "app/help_actions.h"

#include <filesystem>

#include "app/app_state.h"
#include "app/desktop_open.h"
#include "platform/paths.h"

namespace vn {

std::string userGuidePath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::string path = pathJoin(exe.parent_path().string(), kUserGuideName);
  return fileExists(path) ? path : std::string();
}

void openUserGuide(AppState& app) {
  const std::string path = userGuidePath();
  if (path.empty()) {
    setStatus(app, "The user guide is not installed beside the program");
    return;
  }
  const bool started = openWithDesktop(path);
  setStatus(app, started ? "Opened the user guide" : "Could not open the user guide: " + path);
}

}  // namespace vn
