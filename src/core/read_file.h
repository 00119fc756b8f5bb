#pragma once
#include <string>

namespace vn {

// The whole file as bytes. False with the system's reason in error when it
// cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

}  // namespace vn
