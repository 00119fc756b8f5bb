// The audio callback: pulls source frames at the project rate and hands the
// device its frames at the stream rate, converting with the cubic resampler
// when the two differ.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "audio/audio_output.h"
#include "audio/driver_guard.h"
#include "audio/output_internal.h"

namespace vn {
namespace {

// A mono device gets the average of the stereo pair.
void foldToMono(std::vector<float>& left, const std::vector<float>& right, int from, int count) {
  for (int i = from; i < from + count; ++i) left[static_cast<size_t>(i)] = 0.5f * (left[static_cast<size_t>(i)] + right[static_cast<size_t>(i)]);
}

void silenceChannelsFrom(float* out, int frames, int channels, int first) {
  for (int i = 0; i < frames; ++i)
    for (int c = first; c < channels; ++c) out[i * channels + c] = 0.0f;
}

// Pulls what the next n outputs need into the stereo buffers (all n when
// the rates match) and returns the count pulled.
int pullStereo(AudioOutput& o, const StereoSource& source, bool direct, double step, int n) {
  ResamplerState& r = o.resampler;
  int from = direct ? 0 : r.buffered;
  int want = direct ? n : SourceFramesNeeded(step, r.position, n) - r.buffered;
  if (want <= 0) return 0;
  source(r.left.data() + from, r.right.data() + from, want);
  if (o.channels == 1) foldToMono(r.left, r.right, from, want);
  if (!direct) r.buffered += want;
  return want;
}

int stereoChunk(AudioOutput& o, const StereoSource& source, float* out, int n) {
  ResamplerState& r = o.resampler;
  const int ch = o.channels;
  const bool direct = o.projectRate == o.streamRate;
  const double step = static_cast<double>(o.projectRate) / o.streamRate;
  int pulled = pullStereo(o, source, direct, step, n);
  const int stereoOut = std::min(ch, 2);
  if (direct) {
    for (int i = 0; i < n; ++i) {
      out[i * ch] = r.left[static_cast<size_t>(i)];
      if (stereoOut == 2) out[i * ch + 1] = r.right[static_cast<size_t>(i)];
    }
  } else {
    InterpolateChannel(r.left.data(), 1, r.buffered, r.position, step, n, out, ch);
    if (stereoOut == 2) InterpolateChannel(r.right.data(), 1, r.buffered, r.position, step, n, out + 1, ch);
    ConsumeSource(r, SourceBuffers::Stereo, step, n);
  }
  silenceChannelsFrom(out, n, ch, stereoOut);
  return pulled;
}

int multichannelChunk(AudioOutput& o, const MultichannelSource& source, float* out, int n) {
  ResamplerState& r = o.resampler;
  const int ch = o.channels;
  if (o.projectRate == o.streamRate) {
    source(out, n, ch);
    return n;
  }
  const double step = static_cast<double>(o.projectRate) / o.streamRate;
  int want = SourceFramesNeeded(step, r.position, n) - r.buffered;
  if (want > 0) {
    source(r.interleaved.data() + static_cast<size_t>(r.buffered) * ch, want, ch);
    r.buffered += want;
  }
  for (int c = 0; c < ch; ++c)
    InterpolateChannel(r.interleaved.data() + c, ch, r.buffered, r.position, step, n, out + c, ch);
  ConsumeSource(r, SourceBuffers::Interleaved, step, n);
  return std::max(want, 0);
}

struct CallbackCall {
  AudioOutput* output;
  float* out;
  unsigned frames;
};

void runCallback(void* p) {
  auto* call = static_cast<CallbackCall*>(p);
  AudioCallback(*call->output, call->out, call->frames);
}

}  // namespace

int AudioCallback(AudioOutput& o, float* out, unsigned frames) {
  const PlaybackSources* sources = o.sources.load();
  const int ch = std::max(1, o.channels);
  const int total = static_cast<int>(frames);
  const bool useStereo = sources && sources->stereo && (ch == 2 || !sources->multichannel);
  const bool useMulti = sources && !useStereo && sources->multichannel;
  if (sources != o.resamplerSources) {
    // Frames buffered for other sources must not leak into these.
    ResetResampler(o.resampler);
    o.resamplerSources = sources;
  }
  // Pieces of at most one granted buffer keep every pull inside the buffers sized at open.
  const int piece = std::max(1, o.streamFrames);
  uint64_t pulled = 0;
  for (int done = 0; done < total; done += piece) {
    int n = std::min(piece, total - done);
    float* dst = out + static_cast<size_t>(done) * ch;
    if (useStereo) pulled += static_cast<uint64_t>(stereoChunk(o, sources->stereo, dst, n));
    else if (useMulti) pulled += static_cast<uint64_t>(multichannelChunk(o, sources->multichannel, dst, n));
    else std::memset(dst, 0, sizeof(float) * static_cast<size_t>(n) * static_cast<size_t>(ch));
  }
  o.counters.framesPulled.fetch_add(pulled, std::memory_order_relaxed);
  o.counters.framesDelivered.fetch_add(frames, std::memory_order_relaxed);
  o.counters.callbacks.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

int driverCallback(float* out, unsigned frames, bool underflow, void* user) {
  auto* binding = static_cast<StreamBinding*>(user);
  AudioOutput& o = *binding->output;
  o.callbacksInFlight.fetch_add(1);
  int result = 0;
  const size_t values = frames * static_cast<size_t>(binding->channels);
  if (!binding->live.load()) {
    std::memset(out, 0, sizeof(float) * values);
  } else {
    auto started = std::chrono::steady_clock::now();
    if (underflow) o.counters.underflows.fetch_add(1, std::memory_order_relaxed);
    CallbackCall call{&o, out, frames};
    int signal = 0;
    if (!GuardedCallbackCall(&runCallback, &call, &signal)) {
      std::memset(out, 0, sizeof(float) * values);
      o.callbackCrashSignal.store(signal);
      result = 2;  // abort the stream: the health check reports it
    }
    auto spent = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    auto micros = static_cast<uint32_t>(spent.count());
    o.counters.lastCallbackMicros.store(micros, std::memory_order_relaxed);
    uint32_t longest = o.counters.maxCallbackMicros.load(std::memory_order_relaxed);
    while (micros > longest && !o.counters.maxCallbackMicros.compare_exchange_weak(longest, micros)) {
    }
  }
  o.callbacksInFlight.fetch_sub(1);
  return result;
}

}  // namespace vn
