#include "picture/text_parts.h"

#include <cstdlib>

namespace vn {

std::string_view TrimmedOf(std::string_view text, std::string_view chars) {
  const size_t begin = text.find_first_not_of(chars);
  if (begin == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(chars);
  return text.substr(begin, end - begin + 1);
}

std::string LowerOf(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
}

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r') out += c;
  return out;
}

double LeadingNumber(std::string_view text, double fallback) {
  const std::string copy(TrimmedOf(text).substr(0, 64));
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  return end == copy.c_str() ? fallback : value;
}

}  // namespace vn
