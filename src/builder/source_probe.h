#pragma once
// A record for a file the Libraries do not know (a pinned file, a Clip, a Bed
// layer): its format from the file header and a fast onset search over its
// first seconds, enough to place it. The spectral measures keep their defaults.
#include <optional>
#include <string>

#include "library/library.h"

namespace vn {

// None when the file cannot be opened as audio or holds no frames.
std::optional<LibraryRecord> probeSourceFile(const std::string& path);

}  // namespace vn
