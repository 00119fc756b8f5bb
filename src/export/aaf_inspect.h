#pragma once
// What `inspect` shows of an AAF session: the composition, its timecode, every
// track and every clip with its timecode, length, source file, gain and fades.
#include <string>
#include <vector>

#include "export/aaf/aaf_reader.h"

namespace vn {

// Clip timecodes count from the composition's timecode start at its own rate.
std::vector<std::string> aafSessionLines(const aaf::ReadSession& session);

}  // namespace vn
