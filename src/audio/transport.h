#pragma once
// The transport: play, stop, seek and looping over the work area, counted in
// timeline frames at the project rate. The interface thread only posts
// requests; whichever clock drives playback (the device's callback, or the
// silent clock when there is no device) applies them between pieces of audio,
// so start, stop and seek always pass through the mix's 6 ms gate.
#include <atomic>
#include <cstdint>

namespace vn {

enum class TransportPhase : int {
  Stopped,
  Playing,
  Stopping,  // the gate is closing; the clock still moves until it is shut
  Seeking,   // the gate is closing before a jump; it opens again after it
};

constexpr int64_t kNoFrame = -1;

struct Transport {
  int rate = 48000;
  int rampFrames = 288;  // frames the gate takes to move fully: ceil(0.006 x rate)

  // Requests, from any thread.
  std::atomic<bool> playRequested{false};
  std::atomic<int64_t> seekRequest{kNoFrame};
  std::atomic<bool> looping{false};
  std::atomic<int64_t> loopIn{kNoFrame}, loopOut{kNoFrame};
  std::atomic<int64_t> stopAt{kNoFrame};  // playing reaches this frame and stops

  // State, written only by the clock.
  std::atomic<int64_t> position{0};  // the next timeline frame to play
  std::atomic<TransportPhase> phase{TransportPhase::Stopped};
  int64_t rampLeft = 0;
  int64_t seekTarget = kNoFrame;  // where to land once the gate has closed
};

// What the clock does with each piece of the timeline.
class TransportSink {
 public:
  virtual ~TransportSink() = default;
  // Output frames [offset, offset + frames) carry the timeline from `position`.
  virtual void play(int64_t position, int offset, int frames) = 0;
  // Output frames [offset, offset + frames) are silent (stopped).
  virtual void silence(int offset, int frames) = 0;
  virtual void gate(bool open) = 0;
  // The timeline jumped: filters and the reverb start afresh.
  virtual void reset() = 0;
};

void InitTransport(Transport& transport, int rate);
// Runs the clock over `frames` output frames.
void RunTransport(Transport& transport, int frames, TransportSink& sink);

bool LoopActive(const Transport& transport);

}  // namespace vn
