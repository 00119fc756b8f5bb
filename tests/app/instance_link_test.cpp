#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/instance_link.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::vector<std::string> waitForPaths(InstanceListener& listener, size_t count) {
  std::vector<std::string> got;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.size() < count && std::chrono::steady_clock::now() < until) {
    for (std::string& p : listener.takeReceived()) got.push_back(std::move(p));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return got;
}

// Sends raw bytes as a misbehaving client would.
void sendRaw(const std::string& socketPath, const std::string& bytes) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

TEST(InstanceLink, ForwardsThePathToTheRunningInstance) {
  test::TempDir dir;
  const std::string socket = dir.file("varnel-test.sock");
  EXPECT_FALSE(forwardToRunningInstance(socket, "/nobody/listens.vnproj"));

  InstanceListener first;
  std::atomic<int> wakes{0};
  ASSERT_TRUE(first.start(socket, [&] { ++wakes; }));
  // A second instance cannot take the socket while the first one lives.
  InstanceListener second;
  EXPECT_FALSE(second.start(socket, {}));

  const std::string path = "/films/Reel 1/Caf\xc3\xa9 scene.VNPROJ";
  EXPECT_TRUE(forwardToRunningInstance(socket, path));
  EXPECT_TRUE(forwardToRunningInstance(socket, "/films/b.vnproj"));
  const std::vector<std::string> got = waitForPaths(first, 2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], path);
  EXPECT_EQ(got[1], "/films/b.vnproj");
  EXPECT_EQ(wakes.load(), 2);
}

TEST(InstanceLink, IgnoresMalformedMessagesAndKeepsListening) {
  test::TempDir dir;
  const std::string socket = dir.file("s.sock");
  InstanceListener listener;
  ASSERT_TRUE(listener.start(socket, {}));
  sendRaw(socket, "XXXX/wrong/tag.vnproj" + std::string(1, '\0'));
  sendRaw(socket, "VNFL/no/terminator.vnproj");
  sendRaw(socket, std::string("VNFL", 4) + std::string(1, '\0'));
  sendRaw(socket, std::string("VNFL/a\0b.vnproj", 15) + std::string(1, '\0'));
  sendRaw(socket, "VN");
  ASSERT_TRUE(forwardToRunningInstance(socket, "/ok.vnproj"));
  const std::vector<std::string> got = waitForPaths(listener, 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], "/ok.vnproj");
  EXPECT_TRUE(listener.takeReceived().empty());
}

TEST(InstanceLink, ReplacesASocketLeftByAnEndedProcessAndRemovesItsOwn) {
  test::TempDir dir;
  const std::string socket = dir.file("stale.sock");
  {
    // Bind and close without unlinking: what a crashed instance leaves behind.
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  InstanceListener listener;
  ASSERT_TRUE(listener.start(socket, {}));
  EXPECT_TRUE(forwardToRunningInstance(socket, "/x.vnproj"));
  EXPECT_EQ(waitForPaths(listener, 1).size(), 1u);
  listener.stop();
  EXPECT_NE(::access(socket.c_str(), F_OK), 0);
}

TEST(InstanceLink, SocketIsNamedAfterTheUserInTheRuntimeFolder) {
  test::TempDir dir;
  const char* oldUser = std::getenv("USER");
  const std::string savedUser = oldUser ? oldUser : "";
  ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  ::setenv("USER", "mixer", 1);
  EXPECT_EQ(instanceSocketPath(), dir.file("varnel-mixer.sock"));
  ::setenv("XDG_RUNTIME_DIR", "/no/such/folder", 1);
  EXPECT_EQ(instanceSocketPath(), "/tmp/varnel-mixer.sock");
  ::unsetenv("XDG_RUNTIME_DIR");
  if (oldUser) ::setenv("USER", savedUser.c_str(), 1);
  else ::unsetenv("USER");
}

}  // namespace
}  // namespace vn
