#include "app/help_actions.h"

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "app/app_state.h"
#include "platform/paths.h"

extern char** environ;

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
  // A shell starts the viewer in the background and ends at once, so the viewer is
  // never left as our child.
  pid_t shell = 0;
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                  const_cast<char*>("xdg-open \"$1\" >/dev/null 2>&1 &"), const_cast<char*>("sh"),
                  const_cast<char*>(path.c_str()), nullptr};
  int status = 0;
  const bool started = ::posix_spawnp(&shell, "sh", nullptr, nullptr, argv, environ) == 0 &&
                       ::waitpid(shell, &status, 0) == shell && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  setStatus(app, started ? "Opened the user guide" : "Could not open the user guide: " + path);
}

}  // namespace vn
