#include "app/desktop_open.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vn {

bool openWithDesktop(const std::string& target) {
  // A shell starts the opener in the background and ends at once, so the opener is
  // never left as our child. The target is an argument, never part of the shell text.
  pid_t shell = 0;
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                  const_cast<char*>("xdg-open \"$1\" >/dev/null 2>&1 &"), const_cast<char*>("sh"),
                  const_cast<char*>(target.c_str()), nullptr};
  int status = 0;
  return ::posix_spawnp(&shell, "sh", nullptr, nullptr, argv, environ) == 0 &&
         ::waitpid(shell, &status, 0) == shell && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vn
