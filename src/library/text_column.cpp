#include "library/text_column.h"

namespace vn {

std::string EscapeTextColumn(std::string_view text) {
  bool plain = true;
  for (char c : text) plain = plain && c != '\\' && c != '\t' && c != '\n' && c != '\r';
  if (plain) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeTextColumn(std::string_view text) {
  if (text.find('\\') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      char decoded = next == '\\' ? '\\' : next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : 0;
      if (decoded) {
        out += decoded;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace vn
