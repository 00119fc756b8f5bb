#pragma once
// A second launch hands its project path to the instance already running, through a
// Unix domain socket named after the user. The message is the four-byte tag "VNFL"
// followed by the UTF-8 path and its terminating zero.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vn {

// "$XDG_RUNTIME_DIR/varnel-USER.sock", else the same name in /tmp.
std::string instanceSocketPath();

// True when a running instance accepted the path.
bool forwardToRunningInstance(const std::string& socketPath, const std::string& projectPath);

// The running instance's end: a thread accepts connections and queues the paths it
// receives; wake() is called after each one so that an idle frame loop reacts at once.
class InstanceListener {
 public:
  InstanceListener() = default;
  ~InstanceListener();
  InstanceListener(const InstanceListener&) = delete;
  InstanceListener& operator=(const InstanceListener&) = delete;

  // False when another live instance owns the socket or it cannot be created. A socket
  // file left behind by a process that ended is replaced.
  bool start(const std::string& socketPath, std::function<void()> wake);
  void stop();
  std::vector<std::string> takeReceived();

 private:
  void run();
  void receiveFrom(int client);

  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::string socketPath_;
  std::function<void()> wake_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> received_;
};

}  // namespace vn
