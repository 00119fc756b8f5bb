#include "audio/transport.h"

#include <algorithm>
#include <cmath>

namespace vn {
namespace {

void beginRamp(Transport& t, TransportPhase phase, TransportSink& sink) {
  sink.gate(false);
  t.phase = phase;
  t.rampLeft = t.rampFrames;
}

void jump(Transport& t, int64_t frame, TransportSink& sink) {
  t.position = std::max<int64_t>(0, frame);
  sink.reset();
}

// Playing from after the loop's end starts at its beginning.
void enterLoop(Transport& t) {
  if (LoopActive(t) && t.position >= t.loopOut) t.position = t.loopIn.load();
}

void applyRequests(Transport& t, TransportSink& sink) {
  const int64_t seek = t.seekRequest.exchange(kNoFrame);
  const bool wantPlay = t.playRequested.load();
  switch (t.phase.load()) {
    case TransportPhase::Stopped:
      if (seek != kNoFrame) jump(t, seek, sink);
      if (wantPlay) {
        enterLoop(t);
        sink.gate(true);
        t.phase = TransportPhase::Playing;
      }
      break;
    case TransportPhase::Playing:
      if (seek != kNoFrame) t.seekTarget = seek;
      if (!wantPlay) beginRamp(t, TransportPhase::Stopping, sink);
      else if (seek != kNoFrame) beginRamp(t, TransportPhase::Seeking, sink);
      break;
    case TransportPhase::Stopping:
    case TransportPhase::Seeking:
      if (seek != kNoFrame) t.seekTarget = seek;
      t.phase = wantPlay ? TransportPhase::Seeking : TransportPhase::Stopping;
      break;
  }
}

// The ramp is over: land where a seek asked, then stop or play on.
void finishRamp(Transport& t, TransportSink& sink) {
  if (t.seekTarget != kNoFrame) {
    jump(t, t.seekTarget, sink);
    t.seekTarget = kNoFrame;
  }
  if (t.phase == TransportPhase::Stopping) {
    t.phase = TransportPhase::Stopped;
    return;
  }
  enterLoop(t);
  sink.gate(true);
  t.phase = TransportPhase::Playing;
}

// The next frame at which playing must turn: the loop's end or the stop frame.
int64_t nextBoundary(const Transport& t, int64_t position) {
  int64_t boundary = kNoFrame;
  if (LoopActive(t) && position < t.loopOut) boundary = t.loopOut;
  const int64_t stop = t.stopAt.load();
  if (stop != kNoFrame && position < stop && (boundary == kNoFrame || stop < boundary)) boundary = stop;
  return boundary;
}

}  // namespace

void InitTransport(Transport& transport, int rate) {
  transport.rate = std::max(1, rate);
  transport.rampFrames = static_cast<int>(std::ceil(std::max(1.0, 0.006 * transport.rate)));
}

bool LoopActive(const Transport& t) {
  const int64_t in = t.loopIn.load(), out = t.loopOut.load();
  return t.looping.load() && in >= 0 && out > in;
}

void RunTransport(Transport& t, int frames, TransportSink& sink) {
  int done = 0;
  while (done < frames) {
    applyRequests(t, sink);
    const TransportPhase phase = t.phase.load();
    if (phase == TransportPhase::Stopped) {
      sink.silence(done, frames - done);
      return;
    }
    const int64_t position = t.position.load();
    int64_t length = frames - done;
    if (phase != TransportPhase::Playing) length = std::min(length, t.rampLeft);
    const int64_t boundary = nextBoundary(t, position);
    if (boundary != kNoFrame) length = std::min(length, boundary - position);
    sink.play(position, done, static_cast<int>(length));
    t.position = position + length;
    done += static_cast<int>(length);

    const bool atStop = t.position == t.stopAt.load();
    if (LoopActive(t) && t.position == t.loopOut) t.position = t.loopIn.load();
    if (phase != TransportPhase::Playing) {
      t.rampLeft -= length;
      if (t.rampLeft == 0) finishRamp(t, sink);
    } else if (atStop) {
      t.playRequested = false;
      beginRamp(t, TransportPhase::Stopping, sink);
    }
  }
}

}  // namespace vn
