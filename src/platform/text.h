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

}  // namespace vn
