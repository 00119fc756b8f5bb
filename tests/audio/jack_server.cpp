#include "jack_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/audio_driver.h"
#include "support/temp_dir.h"

extern char** environ;

namespace vn::test {
namespace {

std::atomic<int> gServerCount{0};

// The server accepts clients once a JACK back end sees its output device.
bool serverAnswers() {
  auto driver = MakeRtAudioDriver(kApiLowLatency);
  return driver && !driver->outputDevices().empty();
}

std::string runAndRead(const std::string& command) {
  std::string text;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    ::pclose(p);
  }
  return text;
}

}  // namespace

JackServer::JackServer(int rate, int period, int playbackChannels)
    : rate_(rate), period_(period), channels_(playbackChannels) {
  name_ = "varnel-test-" + std::to_string(::getpid()) + "-" + std::to_string(gServerCount++);
  logPath_ = "/tmp/" + name_ + ".log";
  ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  const std::string lockPath = "/tmp/varnel-test-jackd-" + std::to_string(::getuid()) + ".lock";
  turnLock_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (turnLock_ >= 0) ::flock(turnLock_, LOCK_EX);
  start();
}

JackServer::~JackServer() {
  stop();
  std::remove(logPath_.c_str());
  if (turnLock_ >= 0) ::close(turnLock_);
}

bool JackServer::start() {
  failure_.clear();
  std::vector<std::string> args{"jackd", "-n", name_, "--no-realtime", "-d", "dummy",
                                "-r", std::to_string(rate_), "-p", std::to_string(period_),
                                "-P", std::to_string(channels_), "-C", "0"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&files, 1, 2);
  int rc = posix_spawnp(&pid_, "jackd", &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) {
    pid_ = -1;
    failure_ = "jackd could not be started (is the jackd2 package installed?)";
    return false;
  }
  for (int i = 0; i < 100; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      failure_ = "jackd exited at start-up: " + readAll(logPath_);
      return false;
    }
    if (serverAnswers()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  failure_ = "jackd did not accept clients within 10 seconds: " + readAll(logPath_);
  stop();
  return false;
}

void JackServer::vanish() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void JackServer::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  vanish();
}

std::string JackServer::ports() const { return runAndRead("jack_lsp -s " + name_ + " 2>/dev/null"); }

}  // namespace vn::test
