#pragma once
#include <string>

namespace vn {

struct AppState;

// The panel drawn under the point last frame; empty when none.
std::string panelAt(const AppState& app, float x, float y);

// Carries out the drop recorded by the window: a project opens, every other item goes
// to the panel under the cursor or to the panel that handles its kind.
void handlePendingDrop(AppState& app);

}  // namespace vn
