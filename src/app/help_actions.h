#pragma once
#include <string>

namespace vn {

struct AppState;

constexpr const char* kUserGuideName = "user-guide.md";

// The user guide shipped beside the program; empty when it is not there.
std::string userGuidePath();
// Hands the guide to the desktop's viewer (xdg-open) without waiting for it.
void openUserGuide(AppState& app);

}  // namespace vn
