#pragma once
// "The print token of this file": the one place that answers it for a delivered
// file, whatever carries the token.
#include <string>

#include "export/payload_find.h"

namespace vn {

// The token of the manifest's printId when the file carries a manifest that names
// a Print, else the one its Broadcast-WAV block carries; empty when nothing in the
// file does. payloads, when given, are the
// file's payloads already read, so the file is not read again.
std::string PrintTokenOfFile(const std::string& path, const FilePayloads* payloads = nullptr);

}  // namespace vn
