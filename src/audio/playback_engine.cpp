#include "audio/playback_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/audio_recovery.h"
#include "audio/av_readout.h"
#include "audio/device_control.h"
#include "picture/reference_audio.h"

namespace vn {
namespace {

constexpr int kPieceFrames = 4096;
// After this long without a device pull, the silent clock moves the transport.
constexpr int64_t kDeviceQuietNanos = 100 * 1000000LL;
// The silent clock never jumps further than this at once (a stalled interface).
constexpr int64_t kSilentStepLimitNanos = 250 * 1000000LL;
// A gated switch waits this long for the 6 ms gate to close.
constexpr int64_t kGateCloseNanos = 8 * 1000000LL;

// Mixes the timeline into a device buffer.
class MixSink final : public TransportSink {
 public:
  MixSink(PlaybackEngine& e, float* out, int channels) : e_(e), out_(out), channels_(channels) {}
  void play(int64_t position, int offset, int frames) override {
    for (int done = 0; done < frames;) {
      const int n = std::min(e_.pieceFrames, frames - done);
      std::fill_n(e_.refLeft.begin(), n, 0.0f);
      std::fill_n(e_.refRight.begin(), n, 0.0f);
      const double t = static_cast<double>(position + done) / e_.projectRate - e_.videoOffset.load();
      MixReferenceAudio(e_.refLeft.data(), e_.refRight.data(), n, t, e_.projectRate);
      float* dst = out_ + static_cast<size_t>(offset + done) * channels_;
      renderLiveMix(*e_.mixer, *e_.cache, position + done, n, dst, channels_, e_.refLeft.data(),
                    e_.refRight.data());
      const float gain = e_.monitorGain.load(std::memory_order_relaxed);
      if (gain != 1.0f) std::for_each(dst, dst + static_cast<size_t>(n) * channels_, [gain](float& v) { v *= gain; });
      done += n;
    }
  }
  void silence(int offset, int frames) override {
    std::fill_n(out_ + static_cast<size_t>(offset) * channels_, static_cast<size_t>(frames) * channels_, 0.0f);
  }
  void gate(bool open) override { setMixGate(*e_.mixer, open); }
  void reset() override { requestMixReset(*e_.mixer); }

 private:
  PlaybackEngine& e_;
  float* out_;
  int channels_;
};

// Moves the transport without making sound; the mixer still hears about
// gates and jumps so it is in step when a device returns.
class SilentSink final : public TransportSink {
 public:
  explicit SilentSink(PlaybackEngine& e) : e_(e) {}
  void play(int64_t, int, int) override {}
  void silence(int, int) override {}
  void gate(bool open) override { setMixGate(*e_.mixer, open); }
  void reset() override { requestMixReset(*e_.mixer); }

 private:
  PlaybackEngine& e_;
};

void pull(PlaybackEngine& e, float* out, int frames, int channels) {
  if (e.clockBusy.test_and_set(std::memory_order_acquire)) {
    // The silent clock holds the transport this very moment; one quiet buffer.
    std::fill_n(out, static_cast<size_t>(frames) * channels, 0.0f);
    return;
  }
  e.positionAtPull.store(e.transport.position.load(), std::memory_order_relaxed);
  e.lastPullNanos.store(SteadyNanos(), std::memory_order_release);
  MixSink sink(e, out, channels);
  RunTransport(e.transport, frames, sink);
  MixPreviewVoice(e.preview, out, frames, channels, e.monitorGain.load(std::memory_order_relaxed));
  e.clockBusy.clear(std::memory_order_release);
}

int64_t toFrame(const PlaybackEngine& e, double seconds) {
  return static_cast<int64_t>(std::llround(std::max(0.0, seconds) * e.projectRate));
}

void runSilentClock(PlaybackEngine& e, int64_t now) {
  const int64_t lastPull = e.lastPullNanos.load(std::memory_order_acquire);
  if (lastPull != 0 && now - lastPull < kDeviceQuietNanos) {
    e.silentClockNanos = now;
    return;
  }
  if (e.silentClockNanos == 0) e.silentClockNanos = now;
  const int64_t elapsed = std::min(now - e.silentClockNanos, kSilentStepLimitNanos);
  const auto frames = static_cast<int>(elapsed * e.projectRate / 1000000000LL);
  if (frames <= 0) return;
  if (e.clockBusy.test_and_set(std::memory_order_acquire)) return;
  SilentSink sink(e);
  RunTransport(e.transport, frames, sink);
  AdvancePreviewVoice(e.preview, frames);
  e.clockBusy.clear(std::memory_order_release);
  // Whole frames only; the remainder carries to the next tick.
  e.silentClockNanos = now - (elapsed - static_cast<int64_t>(frames) * 1000000000LL / e.projectRate);
}

void closeGateFor(PlaybackEngine& e, int64_t now) {
  setMixGate(*e.mixer, false);
  e.reopenGateAtNanos = now + kGateCloseNanos;
}

void finishGatedSwitch(PlaybackEngine& e, int64_t now) {
  if (e.reopenGateAtNanos == 0 || now < e.reopenGateAtNanos) return;
  if (e.pendingMix) {
    setMixSettings(*e.mixer, *e.pendingMix);
    requestMixReset(*e.mixer);
    e.pendingMix.reset();
  }
  if (e.transport.phase.load() == TransportPhase::Playing) setMixGate(*e.mixer, true);
  e.reopenGateAtNanos = 0;
}

bool sameMonitor(const MonitorFormat& a, const MonitorFormat& b) {
  return a.layout == b.layout && a.binaural == b.binaural;
}

// The reference audio's level is applied once, where it is read; the mixer adds it as it comes.
MixSettings forMixer(MixSettings settings) {
  settings.refGain = 1.0f;
  return settings;
}

}  // namespace

int64_t SteadyNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::unique_ptr<PlaybackEngine> CreatePlaybackEngine(RenderCache& cache, int projectRate) {
  auto e = std::make_unique<PlaybackEngine>();
  e->cache = &cache;
  e->projectRate = std::max(1, projectRate);
  e->pieceFrames = kPieceFrames;
  e->mixer = createMixer(e->projectRate, kPieceFrames);
  if (!e->mixer) return nullptr;
  InitTransport(e->transport, e->projectRate);
  e->stereo.assign(static_cast<size_t>(kPieceFrames) * 2, 0.0f);
  e->refLeft.assign(static_cast<size_t>(kPieceFrames), 0.0f);
  e->refRight.assign(static_cast<size_t>(kPieceFrames), 0.0f);
  e->seenGeneration = cache.generation.load();
  setMixSettings(*e->mixer, forMixer(e->mix));
  SetReferenceAudioGain(e->mix.refGain);
  return e;
}

void ConnectPlayback(AudioOutput& output, PlaybackEngine& engine) {
  SetPlaybackSources(
      output, [&engine](float* l, float* r, int n) { PullStereo(engine, l, r, n); },
      [&engine](float* out, int n, int channels) { PullInterleaved(engine, out, n, channels); });
}

void PullStereo(PlaybackEngine& e, float* left, float* right, int frames) {
  for (int done = 0; done < frames;) {
    const int n = std::min(e.pieceFrames, frames - done);
    pull(e, e.stereo.data(), n, 2);
    for (int i = 0; i < n; ++i) {
      left[done + i] = e.stereo[2 * static_cast<size_t>(i)];
      right[done + i] = e.stereo[2 * static_cast<size_t>(i) + 1];
    }
    done += n;
  }
}

void PullInterleaved(PlaybackEngine& e, float* out, int frames, int channels) { pull(e, out, frames, channels); }

void StartPlayback(PlaybackEngine& e) {
  StopPreview(e.preview);
  e.transport.playRequested = true;
}
void StopPlayback(PlaybackEngine& e) { e.transport.playRequested = false; }
void TogglePlayback(PlaybackEngine& e) {
  if (e.transport.playRequested.load()) StopPlayback(e);
  else StartPlayback(e);
}

void SeekPlayback(PlaybackEngine& e, double seconds) { e.transport.seekRequest = toFrame(e, seconds); }

void SetPlaybackLoop(PlaybackEngine& e, bool on, double in, double out) {
  e.transport.loopIn = in >= 0.0 ? toFrame(e, in) : kNoFrame;
  e.transport.loopOut = out > in ? toFrame(e, out) : kNoFrame;
  e.transport.looping = on;
}

void SetPlaybackEnd(PlaybackEngine& e, double seconds) {
  e.transport.stopAt = seconds < 0.0 ? kNoFrame : toFrame(e, seconds);
}

bool IsPlaying(const PlaybackEngine& e) {
  return e.transport.playRequested.load() || e.transport.phase.load() != TransportPhase::Stopped;
}

void SetPlaybackMix(PlaybackEngine& e, const MixSettings& settings, int64_t now) {
  SetReferenceAudioGain(settings.refGain);
  const bool switched = !sameMonitor(settings.monitor, e.mix.monitor);
  e.mix = settings;
  if (switched && IsPlaying(e)) {
    e.pendingMix = forMixer(settings);
    closeGateFor(e, now);
    return;
  }
  if (e.pendingMix) e.pendingMix = forMixer(settings);
  else setMixSettings(*e.mixer, forMixer(settings));
}

void TickPlayback(PlaybackEngine& e, AudioOutput& output, int64_t now) {
  // A driver crash caught in any guarded call gets its reopen attempt here, on
  // the interface thread; the output gives up by itself after three.
  if (output.failed) RecoverAudio(output);
  CheckAudioHealth(output);
  runSilentClock(e, now);
  const uint64_t generation = e.cache->generation.load();
  if (generation != e.seenGeneration) {
    e.seenGeneration = generation;
    // The blocks under the playhead changed: pass the change through the gate.
    if (IsPlaying(e) && e.reopenGateAtNanos == 0) closeGateFor(e, now);
  }
  finishGatedSwitch(e, now);
  ReleaseRetiredPreviews(e.preview);
  MaybeWriteAudioDiagnostics(e.diagnostics, output, missedBuffers(*e.mixer), now);
}

bool SetPlaybackProjectRate(AudioOutput& output, std::unique_ptr<PlaybackEngine>& engine, int rate) {
  if (engine->projectRate == rate) return SetProjectRate(output, rate);
  auto fresh = CreatePlaybackEngine(*engine->cache, rate);
  if (!fresh) return false;
  const PlaybackEngine& old = *engine;
  const auto seconds = [&old](int64_t frame) { return static_cast<double>(frame) / old.projectRate; };
  const Transport& t = old.transport;
  SeekPlayback(*fresh, seconds(t.position.load()));
  SetPlaybackLoop(*fresh, t.looping.load(), t.loopIn.load() < 0 ? -1.0 : seconds(t.loopIn.load()),
                  t.loopOut.load() < 0 ? -1.0 : seconds(t.loopOut.load()));
  SetPlaybackEnd(*fresh, t.stopAt.load() < 0 ? -1.0 : seconds(t.stopAt.load()));
  fresh->transport.playRequested = t.playRequested.load();
  fresh->videoOffset = old.videoOffset.load();
  fresh->monitorGain = old.monitorGain.load();
  SetPlaybackMix(*fresh, old.mix, SteadyNanos());
  // Connecting waits until no callback is inside the old engine, which can then go.
  ConnectPlayback(output, *fresh);
  engine = std::move(fresh);
  return SetProjectRate(output, rate);
}

double PlayheadSeconds(const PlaybackEngine& e, const AudioOutput& output, int64_t now) {
  const double rate = e.projectRate;
  const auto position = static_cast<double>(e.transport.position.load());
  const int64_t lastPull = e.lastPullNanos.load(std::memory_order_acquire);
  const bool deviceDrives = lastPull != 0 && now - lastPull < kDeviceQuietNanos && output.streamRate > 0;
  if (!deviceDrives || e.transport.phase.load() == TransportPhase::Stopped) return position / rate;
  // Between buffers the listener moves on in real time, never past what was handed over.
  const double sincePull = static_cast<double>(now - lastPull) / 1e9;
  double heard = std::min(position, static_cast<double>(e.positionAtPull.load()) + sincePull * rate);
  heard -= OutputLatencyMs(output) / 1000.0 * rate;
  return std::max(0.0, heard / rate);
}

}  // namespace vn
