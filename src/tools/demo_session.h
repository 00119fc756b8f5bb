#pragma once
// The demo project's Session: events of every shape on a 30-second timeline,
// two scenes with their backgrounds, a linked and an unlinked group, a user
// shape, and four busses of which three declare delivery tracks. The same
// session on every run; later demo steps fill it with sounds and layers.
#include <string>

#include "core/session.h"

namespace vn::tools {

// With the folder of the written demo library, the Clip ("car horn") and the Bed
// ("street traffic") carry their files from it, as Place Clip and a drop on a Bed
// would give them; without it they are empty.
Session MakeDemoSession(const std::string& soundFolder = {});

}  // namespace vn::tools
