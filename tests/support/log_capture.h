#pragma once
// Collects the diagnostic lines written while it lives.
#include <string>
#include <vector>

#include "platform/log.h"

namespace vn::test {

struct LogCapture {
  std::vector<std::string> out, err;
  LogSink previous;
  LogCapture() {
    previous = setLogSink([this](LogStream s, const std::string& l) { (s == LogStream::Err ? err : out).push_back(l); });
  }
  ~LogCapture() { setLogSink(previous); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  int countStarting(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : out) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

}  // namespace vn::test
