#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace vn::cli {
namespace {

volatile int gInterruptFlag = 0;

void onInterrupt(int) {
  if (gInterruptFlag) std::_Exit(130);
  gInterruptFlag = 1;
}

}  // namespace

ProgressBar::ProgressBar(std::string label) : label_(std::move(label)), terminal_(::isatty(2) != 0) {}

ProgressBar::~ProgressBar() {
  if (!finished_ && terminal_ && lastStep_ >= 0) std::fputc('\n', stderr);
}

void ProgressBar::update(double fraction, const std::string& detail) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  if (terminal_) {
    auto now = std::chrono::steady_clock::now();
    if (lastStep_ >= 0 && now - lastDraw_ < std::chrono::milliseconds(50) && fraction < 1.0) return;
    lastDraw_ = now;
    lastStep_ = 0;
    constexpr int kWidth = 30;
    int filled = static_cast<int>(fraction * kWidth + 0.5);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '-');
    std::fprintf(stderr, "\r%s [%s] %3d%% %s\x1b[K", label_.c_str(), bar.c_str(),
                 static_cast<int>(fraction * 100.0), detail.c_str());
    std::fflush(stderr);
    return;
  }
  int step = static_cast<int>(fraction * 10.0);
  if (step <= lastStep_) return;
  lastStep_ = step;
  std::fprintf(stderr, "%s %d%% %s\n", label_.c_str(), step * 10, detail.c_str());
}

void ProgressBar::finish(const std::string& detail) {
  if (finished_) return;
  finished_ = true;
  if (terminal_) {
    lastStep_ = -1;
    std::fprintf(stderr, "\r%s done %s\x1b[K\n", label_.c_str(), detail.c_str());
  } else if (!detail.empty()) {
    std::fprintf(stderr, "%s done %s\n", label_.c_str(), detail.c_str());
  }
}

void installInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

bool interrupted() { return gInterruptFlag != 0; }

const volatile int* interruptFlag() { return &gInterruptFlag; }

}  // namespace vn::cli
