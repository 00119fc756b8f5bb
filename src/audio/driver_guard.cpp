#include "audio/driver_guard.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>

#include <array>
#include <exception>
#include <mutex>

namespace vn {
namespace {

constexpr std::array<int, 4> kCrashSignals{SIGSEGV, SIGBUS, SIGFPE, SIGILL};

thread_local sigjmp_buf* tArmed = nullptr;
thread_local volatile sig_atomic_t tSignal = 0;
struct sigaction gPrevious[kCrashSignals.size()];

void onCrashSignal(int sig, siginfo_t*, void*) {
  if (tArmed) {
    tSignal = sig;
    siglongjmp(*tArmed, 1);
  }
  // Not inside a guarded call: hand the signal to whoever had it before
  // (the default action, or a sanitizer's report).
  for (size_t i = 0; i < kCrashSignals.size(); ++i) {
    if (kCrashSignals[i] != sig) continue;
    sigaction(sig, &gPrevious[i], nullptr);
    raise(sig);
  }
}

void installHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = &onCrashSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kCrashSignals.size(); ++i) sigaction(kCrashSignals[i], &action, &gPrevious[i]);
  });
}

// The handler left the signal blocked when it jumped out; let the next one in.
void unblock(int sig) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// Runs call with the crash handler armed; false when a signal cut it short.
bool runArmed(void (*call)(void*), void* context, int* signal) {
  installHandlers();
  sigjmp_buf jump;
  sigjmp_buf* outer = tArmed;
  if (sigsetjmp(jump, 0) != 0) {
    tArmed = outer;
    *signal = tSignal;
    unblock(tSignal);
    return false;
  }
  tArmed = &jump;
  call(context);
  tArmed = outer;
  return true;
}

struct CallContext {
  const std::function<void()>* call;
  GuardResult* result;
};

void runCatching(void* p) {
  auto* c = static_cast<CallContext*>(p);
  try {
    (*c->call)();
  } catch (const std::exception& e) {
    c->result->outcome = GuardOutcome::Refused;
    c->result->message = e.what();
  } catch (...) {
    c->result->outcome = GuardOutcome::Refused;
    c->result->message = "unknown driver error";
  }
}

}  // namespace

GuardResult GuardedDriverCall(const std::function<void()>& call) {
  GuardResult result;
  CallContext context{&call, &result};
  int signal = 0;
  if (!runArmed(&runCatching, &context, &signal)) {
    result.outcome = GuardOutcome::Crashed;
    result.code = static_cast<unsigned long>(signal);
  }
  return result;
}

bool GuardedCallbackCall(void (*call)(void*), void* context, int* signal) {
  return runArmed(call, context, signal);
}

}  // namespace vn
