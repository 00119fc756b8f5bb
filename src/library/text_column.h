#pragma once
// Text columns of the program's tab-separated files (library index, ledger tables):
// backslash, tab, line feed and carriage return are written as a backslash and a
// letter so that a record always stays on one line with its columns in place.
#include <string>
#include <string_view>

namespace vn {

std::string EscapeTextColumn(std::string_view text);
// Reverses exactly the four escapes; any other backslash is kept as it stands.
std::string UnescapeTextColumn(std::string_view text);

}  // namespace vn
