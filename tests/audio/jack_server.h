#pragma once
// A real JACK server with its dummy driver, which clocks callbacks in real time
// without a sound card. Each server gets a name of its own so that test
// programs running side by side do not meet; this process's JACK clients are
// pointed at it for as long as it lives. Test servers still take turns, through a
// lock file shared with the command-line tests: two JACK servers starting at the
// same moment can trip over the registry they share.
#include <sys/types.h>

#include <string>

namespace vn::test {

class JackServer {
 public:
  explicit JackServer(int rate = 48000, int period = 256, int playbackChannels = 2);
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  // Empty when the server runs; otherwise why it could not start (with its own output).
  const std::string& failure() const { return failure_; }
  const std::string& name() const { return name_; }
  // Starts the same server again after stop() or vanish().
  bool start();
  // Stops it the way a server goes away underneath its clients.
  void vanish();
  void stop();
  // The ports a client registered, as jack_lsp lists them.
  std::string ports() const;

 private:
  int rate_, period_, channels_;
  std::string name_, logPath_, failure_;
  pid_t pid_ = -1;
  int turnLock_ = -1;  // held while this server exists
};

}  // namespace vn::test
