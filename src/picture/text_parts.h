#pragma once
// Small text helpers for reading other programs' text reports.
#include <string>
#include <string_view>
#include <vector>

namespace vn {

// Without the given characters at either end.
std::string_view TrimmedOf(std::string_view text, std::string_view chars = " \t\r\n");
// ASCII letters lowered, other bytes as they are.
std::string LowerOf(std::string_view text);
// The pieces between separators (empty pieces kept).
std::vector<std::string_view> SplitAt(std::string_view text, char separator);
// The text with every space, tab and carriage return removed.
std::string WithoutBlanks(std::string_view text);
// The leading decimal number of the text (after blanks), or fallback when it has none.
double LeadingNumber(std::string_view text, double fallback);

}  // namespace vn
