#pragma once
// Hands a file or an address to the desktop's opener (xdg-open).
#include <string>

namespace vn {

// True when the opener was started; it runs on in the background.
bool openWithDesktop(const std::string& target);

}  // namespace vn
