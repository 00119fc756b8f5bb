#pragma once
// The demo project's Session: events of every shape on a 30-second timeline,
// two scenes with their backgrounds, a linked and an unlinked group, a user
// shape, and four busses of which three declare delivery tracks. The same
// session on every run; later demo steps fill it with sounds and layers.
#include "core/session.h"

namespace vn::tools {

Session MakeDemoSession();

}  // namespace vn::tools
