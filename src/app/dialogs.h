#pragma once
namespace vn {

struct AppState;

// The modal windows: the file browser, About Varnel and the project launcher.
void drawDialogs(AppState& app);

}  // namespace vn
