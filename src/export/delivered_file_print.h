#pragma once
// "The print token of this file": the one place that answers it for a delivered
// file, whatever carries the token.
#include <string>

#include "export/payload_find.h"

namespace vn {

// The token of the manifest's printId when the file carries a manifest; empty when
// nothing in the file names a Print.
std::string PrintTokenOfFile(const std::string& path);

// The same for a file whose payloads were already read.
std::string printTokenOfPayloads(const FilePayloads& payloads, const std::string& path);

}  // namespace vn
