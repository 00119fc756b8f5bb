#pragma once
// Descriptions and keywords that sound files carry in their Broadcast-WAV block,
// their RIFF INFO (or AIFF and CAF) strings and their iXML chunk.
#include <sndfile.h>

#include <string>
#include <string_view>

#include "library/library.h"

namespace vn {

// Larger iXML chunks are refused rather than read.
constexpr unsigned kIxmlReadCap = 1048576;

// Appends what the open file's metadata holds to record.description and record.keywords.
void ReadSourceMetadata(SNDFILE* file, LibraryRecord& record);

// The raw text of the file's first "iXML" chunk, unchanged; empty when there is
// none, it cannot be read or it exceeds the read cap (which is logged).
std::string ReadIxmlChunk(SNDFILE* file);

// The text between the first <name> and the following </name>, with the five
// predefined entities decoded; empty when either tag is missing.
std::string XmlElementText(std::string_view xml, std::string_view name);

// Appends text (trailing blanks removed) after one space, unless it is empty or
// target already contains it.
void AppendUnique(std::string& target, std::string_view text);

}  // namespace vn
