#pragma once
namespace vn {

struct AppState;

// The main menu bar. Choosing an item queues its command for the next frame.
void drawMenuBar(AppState& app);

}  // namespace vn
