#pragma once
// Every call into a sound driver runs through a guard: an error the driver
// throws becomes a failure with its message, and a crash signal (SIGSEGV,
// SIGBUS, SIGFPE, SIGILL) raised on the calling thread while the call runs
// becomes a failure with the signal as its code, leaving the process running.
#include <functional>
#include <string>

namespace vn {

enum class GuardOutcome { Ok, Refused, Crashed };

struct GuardResult {
  GuardOutcome outcome = GuardOutcome::Ok;
  unsigned long code = 0;  // the crash signal
  std::string message;     // the driver's own words when it refused
  bool ok() const { return outcome == GuardOutcome::Ok; }
  bool crashed() const { return outcome == GuardOutcome::Crashed; }
};

GuardResult GuardedDriverCall(const std::function<void()>& call);

// The audio callback's guard: no allocation and no exception handling, so the
// driver's thread can afford it on every buffer. Returns false when a crash
// signal interrupted the call; *signal then names it.
bool GuardedCallbackCall(void (*call)(void*), void* context, int* signal);

}  // namespace vn
