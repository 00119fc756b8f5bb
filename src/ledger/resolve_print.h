#pragma once
// Finding the Print of a file in hand: by the token it carries, else by its bytes,
// else by its samples; in the local ledger first, then in the sidecars near it.
#include <optional>
#include <string>

#include "ledger/print_index.h"

namespace vn {

// printToken: the token the caller already read from the file (its manifest); when
// empty the Broadcast-WAV block is read. None when nothing matches or several do.
std::optional<PrintIndexEntry> ResolvePrint(const std::string& audioPath, const std::string& printToken = {});

}  // namespace vn
