#include "core/timecode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace vn {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Reads fields the way "%d:%d:%d:%d" does (blanks before a number are skipped,
// the colons must follow directly) and returns how many were read. Numbers
// saturate at the int range instead of overflowing.
int readFields(std::string_view text, int (&fields)[4]) {
  size_t i = 0;
  int count = 0;
  while (count < 4) {
    if (count > 0) {
      if (i >= text.size() || text[i] != ':') break;
      ++i;
    }
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') break;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      v = std::min<long long>(v * 10 + (text[i] - '0'), std::numeric_limits<int>::max() + 1LL);
    v = negative ? -v : v;
    fields[count++] = static_cast<int>(std::clamp<long long>(v, std::numeric_limits<int>::min(),
                                                             std::numeric_limits<int>::max()));
  }
  return count;
}

}  // namespace

std::string formatTimecode(double seconds, double fps) {
  if (!std::isfinite(seconds)) seconds = 0.0;
  if (!std::isfinite(fps) || fps < 1.0) fps = 1.0;
  const int64_t framesPerSecond = static_cast<int64_t>(fps);
  const int64_t framesPerMinute = std::max<int64_t>(static_cast<int64_t>(fps * 60.0), 1);
  const int64_t framesPerHour = std::max<int64_t>(static_cast<int64_t>(fps * 3600.0), 1);
  double scaled = std::trunc(seconds * fps + 0.5);
  const int64_t total = static_cast<int64_t>(std::clamp(scaled, 0.0, 1e15));
  const int64_t ff = total % framesPerSecond;
  const int64_t ss = (total / framesPerSecond) % 60;
  const int64_t mm = (total / framesPerMinute) % 60;
  const int64_t hh = total / framesPerHour;
  char buf[96];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld:%02lld", static_cast<long long>(hh),
                static_cast<long long>(mm), static_cast<long long>(ss), static_cast<long long>(ff));
  return buf;
}

double parseTimecode(std::string_view text, double fps) {
  int f[4] = {0, 0, 0, 0};
  int count = readFields(text, f);
  if (count < 3) return -1.0;
  const int framesPerSecond = fps >= 1.0 && std::isfinite(fps) ? static_cast<int>(std::min(fps, 1e6)) : 0;
  const int hh = std::clamp(f[0], 0, 23);
  const int mm = std::clamp(f[1], 0, 59);
  const int ss = std::clamp(f[2], 0, 59);
  const int ff = count == 4 && framesPerSecond > 0 ? std::clamp(f[3], 0, framesPerSecond - 1) : 0;
  return hh * 3600.0 + mm * 60.0 + ss + (ff > 0 ? ff / fps : 0.0);
}

double parseForeignTimecode(std::string_view text, double fps) {
  std::string colons(text);
  std::replace(colons.begin(), colons.end(), ';', ':');
  int f[4] = {0, 0, 0, 0};
  if (readFields(colons, f) < 4) return -1.0;
  const double rate = fps > 0.0 ? fps : 24.0;
  return f[0] * 3600.0 + f[1] * 60.0 + f[2] + f[3] / rate;
}

}  // namespace vn
