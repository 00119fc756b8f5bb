#pragma once
// The playback engine: what the device pulls from. It runs the transport,
// mixes the render cache through the program's one mixer (gains, envelopes,
// fades, placement, reverb, monitor layout and master stage) together with the
// video's reference audio and the preview voice, and keeps a silent clock of its
// own when no device pulls, so the playhead moves in real time either way.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "audio/audio_diagnostics.h"
#include "audio/audio_output.h"
#include "audio/preview_voice.h"
#include "audio/transport.h"
#include "render/mixer.h"
#include "render/render_cache.h"

namespace vn {

struct PlaybackEngine {
  RenderCache* cache = nullptr;
  MixerPtr mixer;
  Transport transport;
  int projectRate = 48000;
  int pieceFrames = 0;  // the most frames mixed in one call; the scratch buffers hold this many
  std::vector<float> stereo, refLeft, refRight;
  std::atomic<double> videoOffset{0.0};  // the video's start on the timeline, seconds
  std::atomic<float> monitorGain{1.0f};  // the listener's level, after the master stage
  PreviewVoice preview;                   // a single file heard beside the timeline

  // Exactly one clock moves the transport at a time: the device's callback, or
  // the silent clock while no device has pulled for a while.
  std::atomic_flag clockBusy = ATOMIC_FLAG_INIT;
  std::atomic<int64_t> lastPullNanos{0};
  std::atomic<int64_t> positionAtPull{0};

  // Interface thread only.
  int64_t silentClockNanos = 0;
  MixSettings mix;
  std::optional<MixSettings> pendingMix;  // waits for the gate to close
  int64_t reopenGateAtNanos = 0;
  uint64_t seenGeneration = 0;
  AudioDiagnostics diagnostics;
};

// Null when the mixer's buffers cannot be allocated.
std::unique_ptr<PlaybackEngine> CreatePlaybackEngine(RenderCache& cache, int projectRate);
// Installs the engine's two pulls as the output's playback sources.
void ConnectPlayback(AudioOutput& output, PlaybackEngine& engine);

// The pulls, on the device's thread: allocate nothing, never wait.
void PullStereo(PlaybackEngine& engine, float* left, float* right, int frames);
void PullInterleaved(PlaybackEngine& engine, float* out, int frames, int channels);

// Starting the transport ends a preview.
void StartPlayback(PlaybackEngine& engine);
void StopPlayback(PlaybackEngine& engine);
void TogglePlayback(PlaybackEngine& engine);
void SeekPlayback(PlaybackEngine& engine, double seconds);
// Loops between in and out (the work area) while on and the range is valid.
void SetPlaybackLoop(PlaybackEngine& engine, bool on, double in, double out);
// Playing stops by itself at this time; negative for never.
void SetPlaybackEnd(PlaybackEngine& engine, double seconds);
// True from the moment playing is asked for until the gate has closed after a stop.
bool IsPlaying(const PlaybackEngine& engine);

// New mix settings. A change of monitor format while playing is a mix switch:
// the gate closes, the settings change, the gate opens.
void SetPlaybackMix(PlaybackEngine& engine, const MixSettings& settings, int64_t nowNanos);
// Once per interface frame: recovery after a reported driver failure, the
// output's health check, the silent clock, gated switches, new cache
// generations, replaced previews and the diagnostics log.
void TickPlayback(PlaybackEngine& engine, AudioOutput& output, int64_t nowNanos);

// A new project rate: the engine is made again at that rate, keeping the
// transport, the mix and the connection to the output, and the output reopens
// at the new rate. False when the device refused it (the output then says why).
bool SetPlaybackProjectRate(AudioOutput& output, std::unique_ptr<PlaybackEngine>& engine, int rate);

// Where the listener is on the timeline, in seconds: between device buffers
// the position is interpolated, and the output latency is taken off.
double PlayheadSeconds(const PlaybackEngine& engine, const AudioOutput& output, int64_t nowNanos);

int64_t SteadyNanos();

}  // namespace vn
