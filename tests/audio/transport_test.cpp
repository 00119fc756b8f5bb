// The transport's clock against a sink that records what it was told.
#include <gtest/gtest.h>

#include <vector>

#include "audio/transport.h"

namespace vn {
namespace {

struct Recorder final : TransportSink {
  struct Piece {
    int64_t position;
    int offset, frames;
    bool operator==(const Piece&) const = default;
  };
  using Pieces = std::vector<Piece>;
  std::vector<Piece> played;
  int silent = 0, resets = 0;
  std::vector<bool> gates;
  void play(int64_t position, int offset, int frames) override { played.push_back({position, offset, frames}); }
  void silence(int, int frames) override { silent += frames; }
  void gate(bool open) override { gates.push_back(open); }
  void reset() override { ++resets; }
  int64_t playedFrames() const {
    int64_t n = 0;
    for (const auto& p : played) n += p.frames;
    return n;
  }
};

TEST(Transport, StartStopAndSeekPassThroughTheGate) {
  Transport t;
  InitTransport(t, 48000);
  EXPECT_EQ(t.rampFrames, 288);
  Transport t441;
  InitTransport(t441, 44100);
  EXPECT_EQ(t441.rampFrames, 265);

  Recorder r;
  RunTransport(t, 256, r);
  EXPECT_EQ(r.silent, 256);
  EXPECT_EQ(t.position.load(), 0);

  // A seek while stopped lands at once and clears the mix's memory.
  t.seekRequest = 48000;
  t.playRequested = true;
  RunTransport(t, 256, r);
  EXPECT_EQ(r.resets, 1);
  EXPECT_EQ(r.gates, std::vector<bool>{true});
  EXPECT_EQ(r.played, (Recorder::Pieces{{48000, 0, 256}}));
  EXPECT_EQ(t.position.load(), 48256);

  // A seek while playing: the old place plays on through the gate's ramp,
  // then the jump, then the gate opens again, all inside one buffer.
  r = Recorder{};
  t.seekRequest = 96000;
  RunTransport(t, 512, r);
  EXPECT_EQ(r.played, (Recorder::Pieces{{48256, 0, 288}, {96000, 288, 512 - 288}}));
  EXPECT_EQ(r.gates, (std::vector<bool>{false, true}));
  EXPECT_EQ(r.resets, 1);

  // Stop: exactly one ramp more, then silence and a still clock.
  r = Recorder{};
  t.playRequested = false;
  RunTransport(t, 1024, r);
  EXPECT_EQ(r.playedFrames(), 288);
  EXPECT_EQ(r.silent, 1024 - 288);
  EXPECT_EQ(r.gates, std::vector<bool>{false});
  EXPECT_EQ(t.phase.load(), TransportPhase::Stopped);
  const int64_t stoppedAt = t.position.load();
  RunTransport(t, 1024, r);
  EXPECT_EQ(t.position.load(), stoppedAt);

  // Stop asked and taken back within the ramp: playing goes on from where it is.
  t.playRequested = true;
  RunTransport(t, 64, r);
  t.playRequested = false;
  RunTransport(t, 100, r);
  t.playRequested = true;
  r = Recorder{};
  RunTransport(t, 1000, r);
  EXPECT_EQ(r.playedFrames(), 1000);
  EXPECT_EQ(t.phase.load(), TransportPhase::Playing);
  EXPECT_EQ(t.position.load(), stoppedAt + 64 + 100 + 1000);
}

TEST(Transport, LoopsOverTheWorkAreaAndStopsAtTheEnd) {
  Transport t;
  InitTransport(t, 48000);
  t.loopIn = 1000;
  t.loopOut = 1500;
  t.looping = true;
  t.seekRequest = 5000;  // beyond the loop: playing starts at its beginning
  t.playRequested = true;
  Recorder r;
  RunTransport(t, 1200, r);
  EXPECT_EQ(r.played, (Recorder::Pieces{{1000, 0, 500}, {1000, 500, 500}, {1000, 1000, 200}}));
  EXPECT_EQ(t.position.load(), 1200);
  EXPECT_EQ(r.resets, 1);  // the seek; looping itself is seamless

  // An empty range does not loop.
  t.loopOut = 1000;
  r = Recorder{};
  RunTransport(t, 1000, r);
  EXPECT_EQ(t.position.load(), 2200);

  // A play range stops by itself.
  t.looping = false;
  t.stopAt = 3000;
  r = Recorder{};
  RunTransport(t, 2000, r);
  EXPECT_EQ(r.played[0].frames, 800);
  EXPECT_EQ(r.playedFrames(), 800 + 288);
  EXPECT_FALSE(t.playRequested.load());
  EXPECT_EQ(t.phase.load(), TransportPhase::Stopped);
}

}  // namespace
}  // namespace vn
