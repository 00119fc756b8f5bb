#pragma once
// Multi-mono grouping: mono files of one folder named like Door_L, Door_R, Door_C
// are recognised as the channels of one multichannel sound.
#include <string_view>
#include <vector>

#include "library/library.h"

namespace vn {

// Sets groupId and groupChannel of every record (0 and -1 for ungrouped ones).
void GroupMultiMono(std::vector<LibraryRecord>& records);

// The channel index (0..11) of a channel suffix such as "L", "rs" or "LFE"; -1 otherwise.
int MultiMonoChannelIndex(std::string_view suffix);

}  // namespace vn
