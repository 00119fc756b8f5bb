#pragma once
// The application checking itself in a real window: it opens a generated project,
// carries out a script of user commands through the same command queue as the menus,
// checks what each one did, draws until the interface settles and writes a screenshot,
// then a second one of a close-up view beside it (OUT-detail.png).
#include <string>

struct GLFWwindow;

namespace vn {

struct AppState;

// 0 when every step did what it should; the steps and their outcome go to standard output.
int runSelfTest(AppState& app, GLFWwindow* window, const std::string& imagePath);

}  // namespace vn
