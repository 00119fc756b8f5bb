#pragma once
// Progress for long commands: a bar redrawn in place on a terminal, plain lines
// (at most one per ten percent) when standard error is not a terminal.
#include <chrono>
#include <string>

namespace vn::cli {

class ProgressBar {
 public:
  explicit ProgressBar(std::string label);
  ~ProgressBar();
  // fraction 0..1; detail is shown after the bar ("412/1000 files").
  void update(double fraction, const std::string& detail = {});
  // Ends the bar's line.
  void finish(const std::string& detail = {});

 private:
  std::string label_;
  bool terminal_;
  bool finished_ = false;
  int lastStep_ = -1;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// Ctrl-C sets a flag instead of killing the process, so that long work can stop
// cleanly and keep what it finished. A second Ctrl-C exits at once.
void installInterruptHandler();
bool interrupted();
// The address of the flag, for engine calls that poll a cancel flag.
const volatile int* interruptFlag();

}  // namespace vn::cli
