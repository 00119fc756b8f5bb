#pragma once
// "The print token of this file" and "the Print of this file": the one place that
// answers them for a delivered file, whatever carries the token.
#include <optional>
#include <string>

#include "export/payload_find.h"
#include "ledger/print_index.h"

namespace vn {

// The token of the manifest's printId when the file carries a manifest that names
// a Print, else the one its Broadcast-WAV block carries; empty when nothing in the
// file does. payloads, when given, are the file's payloads already read, so the
// file is not read again.
std::string PrintTokenOfFile(const std::string& path, const FilePayloads* payloads = nullptr);

// The Print of a delivered file: by the token it carries, else by its bytes or
// samples, in the local ledger and then in the sidecars near it.
std::optional<PrintIndexEntry> ResolvePrintOfFile(const std::string& path);

}  // namespace vn
