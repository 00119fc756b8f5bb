#pragma once
// The status line: the system's last short status text and when it was posted. A
// fresh message keeps the frame loop awake while it fades in.
#include <string>

namespace vn {

constexpr double kStatusFreshSeconds = 3.0;

struct StatusMessage {
  std::string text;
  double postedAt = -1e9;  // interface clock, seconds
};

inline void postStatus(StatusMessage& status, std::string text, double now) {
  status.text = std::move(text);
  status.postedAt = now;
}

inline bool statusIsFresh(const StatusMessage& status, double now) {
  return now - status.postedAt < kStatusFreshSeconds;
}

}  // namespace vn
