#include "app/instance_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"

namespace vn {
namespace {

constexpr char kTag[4] = {'V', 'N', 'F', 'L'};
// A project path longer than this is not a path anyone sends.
constexpr size_t kMaxMessage = 64 * 1024;

bool fillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

int connectTo(const std::string& socketPath) {
  sockaddr_un address;
  if (!fillAddress(socketPath, address)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool sendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string instanceSocketPath() {
  std::string user = userName();
  if (user.empty()) user = "user";
  const std::string name = "varnel-" + user + ".sock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string path;
  if (runtime && *runtime && folderExists(runtime)) path = pathJoin(runtime, name);
  // The socket address has room for about a hundred bytes.
  if (path.empty() || path.size() >= sizeof(sockaddr_un::sun_path)) path = pathJoin("/tmp", name);
  return path;
}

bool forwardToRunningInstance(const std::string& socketPath, const std::string& projectPath) {
  int fd = connectTo(socketPath);
  if (fd < 0) return false;
  std::string message(kTag, sizeof kTag);
  message += projectPath;
  message.push_back('\0');
  bool sent = sendAll(fd, message.data(), message.size());
  ::shutdown(fd, SHUT_WR);
  // Wait for the listener to close its end, so the path has arrived before we exit.
  char byte;
  while (sent && ::recv(fd, &byte, 1, 0) > 0) {
  }
  ::close(fd);
  return sent;
}

InstanceListener::~InstanceListener() { stop(); }

bool InstanceListener::start(const std::string& socketPath, std::function<void()> wake) {
  stop();
  sockaddr_un address;
  if (!fillAddress(socketPath, address)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EADDRINUSE) {
      ::close(fd);
      return false;
    }
    int live = connectTo(socketPath);
    if (live >= 0) {  // another instance answers
      ::close(live);
      ::close(fd);
      return false;
    }
    // Nobody answers: a socket file left by a process that ended.
    ::unlink(socketPath.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      return false;
    }
  }
  if (::listen(fd, 8) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
    ::close(fd);
    ::unlink(socketPath.c_str());
    return false;
  }
  listenFd_ = fd;
  socketPath_ = socketPath;
  wake_ = std::move(wake);
  thread_ = std::thread([this] { run(); });
  return true;
}

void InstanceListener::stop() {
  if (listenFd_ < 0) return;
  char byte = 1;
  (void)!::write(stopPipe_[1], &byte, 1);
  if (thread_.joinable()) thread_.join();
  ::close(listenFd_);
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
  ::unlink(socketPath_.c_str());
  listenFd_ = -1;
  stopPipe_[0] = stopPipe_[1] = -1;
}

std::vector<std::string> InstanceListener::takeReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  out.swap(received_);
  return out;
}

void InstanceListener::run() {
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    receiveFrom(client);
    ::close(client);
  }
}

void InstanceListener::receiveFrom(int client) {
  // A sender that stalls must not hold the listener for long.
  timeval timeout{1, 0};
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string message;
  char buf[4096];
  while (message.size() <= kMaxMessage) {
    ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    message.append(buf, static_cast<size_t>(n));
  }
  if (message.size() < sizeof kTag + 1 || message.size() > kMaxMessage) return;
  if (std::memcmp(message.data(), kTag, sizeof kTag) != 0 || message.back() != '\0') return;
  std::string path = message.substr(sizeof kTag, message.size() - sizeof kTag - 1);
  if (path.empty() || path.find('\0') != std::string::npos) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(std::move(path));
  }
  if (wake_) wake_();
}

}  // namespace vn
