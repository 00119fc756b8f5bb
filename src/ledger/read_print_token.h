#pragma once
// The print token a delivered file carries in its Broadcast-WAV information block.
#include <string>

namespace vn {

// "~VN" + 8 Crockford characters from the originator reference ("VN" + at least 8
// more) or, failing that, from a "~VN" in the coding history; empty when neither
// holds one or the file has no such block.
std::string ReadPrintToken(const std::string& path);

// The same search over the two fields' texts.
std::string printTokenOfBextTexts(const std::string& originatorReference, const std::string& codingHistory);

}  // namespace vn
