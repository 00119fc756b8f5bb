#pragma once
// The one mixer of the program: it turns the render cache into the monitor mix
// the device plays and into the offline mixes that are written to disk. Gains,
// envelopes, fades, spatial placement, the reverb send and return, the fold to
// the output channels and the master stage all happen here.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "core/session.h"
#include "render/render_cache.h"
#include "render/spatial_layout.h"

namespace vn {

// What the interface thread hands the mixer; trivially copyable, so the audio
// callback can take a copy without allocating.
struct MixSettings {
  float masterGain = 1.0f;
  std::array<float, kMaxBusses> busGain = Session::filledGroupGain();
  std::array<float, kMaxBusses> busSend{0.2f, 0.2f, 0.2f};  // default reverb send per bus
  float refGain = 1.0f;                                     // the video's reference audio
  ReverbSettings reverb;                                    // groupSends is not read here
  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
  MonitorFormat monitor;
  float limiterThreshold = 0.891f;  // about -1 dBFS
};

// The mix settings a Session implies; the spatial amounts and the monitor format
// come from the preferences.
MixSettings mixSettingsFromSession(const Session& session, float spatialAmount, float spatialDiffuse,
                                   MonitorFormat monitor);

struct Mixer;  // reverb, spatial and master-stage state plus scratch buffers, allocated once

void destroyMixer(Mixer* mixer);
struct MixerDeleter {
  void operator()(Mixer* m) const { destroyMixer(m); }
};
using MixerPtr = std::unique_ptr<Mixer, MixerDeleter>;

// sampleRate is the project rate; maxFramesPerCall bounds the scratch buffers
// (longer requests are processed in pieces). Null when memory is short.
MixerPtr createMixer(int sampleRate, int maxFramesPerCall = 4096);

// Interface thread: replaces the settings the next buffer uses.
void setMixSettings(Mixer& mixer, const MixSettings& settings);
// Start, stop and mix switch: the output glides to 1 or 0 over 6 ms.
void setMixGate(Mixer& mixer, bool open);
// After a seek: the reverb and the spatial filters are cleared before the next buffer.
void requestMixReset(Mixer& mixer);
// Buffers that played without the rendered blocks because the cache was busy.
uint64_t missedBuffers(const Mixer& mixer);

// The audio callback's entry point. Renders `frames` frames of the monitor mix
// that start at timeline frame `position` (project rate) into `out`, interleaved
// with `outChannels` channels. refLeft/refRight (may be null) carry the video's
// reference audio for these frames; it is added at refGain before the master
// stage. Never blocks and never allocates: the cache lock is tried a bounded
// number of times, and when it cannot be taken the buffer carries only the
// reference audio and the missed-buffer counter rises. Returns false then.
bool renderLiveMix(Mixer& mixer, const RenderCache& cache, int64_t position, int frames,
                   float* out, int outChannels, const float* refLeft = nullptr,
                   const float* refRight = nullptr);

}  // namespace vn
