#pragma once
// Small text helpers shared by every subsystem: printf into a string, and the plural
// ending of a counted word.
#include <cstdarg>
#include <cstdint>
#include <string>

namespace vn {

// printf into a std::string; vformat takes a va_list the caller has started.
std::string vformat(const char* fmt, va_list args);
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// "" for a count of 1, else "s": "%d file%s" with (n, plural(n)).
inline const char* plural(int64_t count) { return count == 1 ? "" : "s"; }

// The value of one hexadecimal digit of either case; -1 for any other character.
inline int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace vn
