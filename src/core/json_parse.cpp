#include "core/json_parse.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vn {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }


void appendUtf8(std::string& out, unsigned unit) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
  } else if (unit < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
    out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  }
}

// The C library's conversion, on a terminated copy of the scanned text.
double convertWithStrtod(const char* begin, const char* end) {
  std::string copy(begin, end);
  return std::strtod(copy.c_str(), nullptr);
}

// The scanned number text has the shape -?d*(.d*)?([eE][+-]?d*)?; from_chars gives
// the same correctly rounded result as strtod for it, much faster. Whatever it
// declines (a lone "-", an exponent out of range) goes to strtod itself.
double convertNumber(const char* begin, const char* end, bool plainInteger) {
  const char* digits = begin + (*begin == '-' ? 1 : 0);
  if (plainInteger && end - digits > 0 && end - digits <= 15) {
    long long v = 0;
    for (const char* p = digits; p < end; ++p) v = v * 10 + (*p - '0');
    double d = static_cast<double>(v);
    return digits != begin ? -d : d;
  }
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec == std::errc() && ptr == end) return value;
  return convertWithStrtod(begin, end);
}

class Parser {
 public:
  Parser(const char* begin, const char* end) : p_(begin), end_(end) {}

  const char* position() const { return p_; }

  JsonValue value(int depth) {
    if (depth > kJsonMaxDepth) {
      while (p_ < end_ && *p_ != ',' && *p_ != ']' && *p_ != '}') ++p_;
      return JsonValue();
    }
    skipSpace();
    if (p_ >= end_) return JsonValue();
    switch (*p_) {
      case '{':
        return object(depth);
      case '[':
        return array(depth);
      case '"':
        return JsonValue(string());
      case 't':
        return literal("true") ? JsonValue(true) : JsonValue();
      case 'f':
        return literal("false") ? JsonValue(false) : JsonValue();
      case 'n':
        literal("null");
        return JsonValue();
      default:
        if (*p_ == '-' || isDigit(*p_)) return number();
        return JsonValue();
    }
  }

 private:
  void skipSpace() {
    while (p_ < end_ && isSpace(*p_)) ++p_;
  }

  // Checked letter by letter: a misspelt literal stops at its first wrong letter.
  bool literal(const char* word) {
    for (; *word; ++word, ++p_)
      if (p_ >= end_ || *p_ != *word) return false;
    return true;
  }

  JsonValue number() {
    const char* begin = p_;
    if (*p_ == '-') ++p_;
    while (p_ < end_ && isDigit(*p_)) ++p_;
    bool plainInteger = true;
    if (p_ < end_ && *p_ == '.') {
      plainInteger = false;
      ++p_;
      while (p_ < end_ && isDigit(*p_)) ++p_;
    }
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      plainInteger = false;
      ++p_;
      if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
      while (p_ < end_ && isDigit(*p_)) ++p_;
    }
    return JsonValue(convertNumber(begin, p_, plainInteger));
  }

  // At the opening quotation mark. An unterminated string ends with the text.
  std::string_view string() {
    ++p_;
    const char* begin = p_;
    while (p_ < end_ && *p_ != '"' && *p_ != '\\') ++p_;
    if (p_ >= end_ || *p_ == '"') {
      std::string_view plain(begin, static_cast<size_t>(p_ - begin));
      if (p_ < end_) ++p_;
      return plain;
    }
    decoded_.assign(begin, p_);
    while (p_ < end_ && *p_ != '"') {
      if (*p_ != '\\') {
        decoded_.push_back(*p_++);
        continue;
      }
      if (++p_ >= end_) break;
      char c = *p_++;
      switch (c) {
        case 'n': decoded_.push_back('\n'); break;
        case 'r': decoded_.push_back('\r'); break;
        case 't': decoded_.push_back('\t'); break;
        case 'b': decoded_.push_back('\b'); break;
        case 'f': decoded_.push_back('\f'); break;
        case 'u': appendUtf8(decoded_, codeUnit()); break;
        default: decoded_.push_back(c); break;  // quotation mark, backslash, slash, anything else
      }
    }
    if (p_ < end_) ++p_;
    return decoded_;
  }

  // Up to four hexadecimal digits; surrogate halves are not joined.
  unsigned codeUnit() {
    unsigned unit = 0;
    for (int i = 0; i < 4 && p_ < end_; ++i, ++p_) {
      int d = hexDigitValue(*p_);
      if (d < 0) break;
      unit = unit * 16 + static_cast<unsigned>(d);
    }
    return unit;
  }

  JsonValue array(int depth) {
    ++p_;
    const size_t base = items_.size();
    for (;;) {
      skipSpace();
      if (p_ >= end_) break;
      if (*p_ == ']') {
        ++p_;
        break;
      }
      const char* before = p_;
      items_.push_back(value(depth + 1));
      skipSpace();
      if (p_ < end_ && *p_ == ',') {
        ++p_;
      } else if (p_ == before && p_ < end_ && *p_ != ']') {
        ++p_;  // a stray character: step over it so the loop always advances
      }
    }
    JsonValue result = JsonValue::arrayOf(std::span<JsonValue>(items_).subspan(base));
    items_.resize(base);
    return result;
  }

  JsonValue object(int depth) {
    ++p_;
    const size_t base = members_.size();
    for (;;) {
      skipSpace();
      if (p_ >= end_) break;
      if (*p_ == '}') {
        ++p_;
        break;
      }
      if (*p_ != '"') {
        ++p_;  // not a key: step over it
        continue;
      }
      JsonMember m;
      m.key = JsonValue(string());
      skipSpace();
      if (p_ < end_ && *p_ == ':') ++p_;
      m.value = value(depth + 1);
      members_.push_back(std::move(m));
      skipSpace();
      if (p_ < end_ && *p_ == ',') ++p_;
    }
    JsonValue result = JsonValue::objectOf(std::span<JsonMember>(members_).subspan(base));
    members_.resize(base);
    return result;
  }

  const char* p_;
  const char* end_;
  // Children wait here until their container closes and gets one exact block.
  std::vector<JsonValue> items_;
  std::vector<JsonMember> members_;
  std::string decoded_;
};

}  // namespace

JsonValue parseJson(std::string_view& text, int depth) {
  Parser parser(text.data(), text.data() + text.size());
  JsonValue v = parser.value(depth);
  text.remove_prefix(static_cast<size_t>(parser.position() - text.data()));
  return v;
}

JsonValue parseJsonText(std::string_view text) { return parseJson(text, 0); }

}  // namespace vn
