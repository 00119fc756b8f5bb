#pragma once
// Release versions are dotted decimal numbers ("2026.9.1"); a missing component
// counts as 0, so "2026.9" and "2026.9.0" are the same release.
#include <string_view>

namespace vn {

// Negative when a is older than b, 0 when they name the same release, positive when
// a is newer. Each component is read from its leading digits (anything after them is
// ignored); a component too large to hold saturates rather than wrapping.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace vn
