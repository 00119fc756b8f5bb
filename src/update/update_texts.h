#pragma once
// The sentences the window and varnel-cli show about update checks.
#include <string>

#include "update/update_check.h"

namespace vn {

// "Last checked just now." / "... %lld min ago." / "... %lld hr ago." / "... %lld day%s ago."
// for a check started at lastCheck, seen at now (seconds since the epoch); empty when
// no check ever ran.
std::string lastCheckedText(long long lastCheck, long long now);

// One line for the outcome of a check: the newer release with its page, up to date,
// or why nothing changed.
std::string describeUpdateResult(const UpdateCheckResult& result, const std::string& runningVersion);

}  // namespace vn
