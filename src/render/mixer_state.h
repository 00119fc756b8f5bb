#pragma once
// The mixer's own state, shared by the live and the offline entry points.
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "render/diffuse_bed.h"
#include "render/master_stage.h"
#include "render/mixer.h"
#include "render/reverb.h"
#include "render/speaker_fold.h"

namespace vn {

// Which parts of the mix a call produces.
enum class MixPart { Full, ReverbReturnOnly };

struct Mixer {
  int sampleRate = 48000;
  int maxFrames = 4096;

  std::mutex settingsMutex;  // guards pending; the callback only tries it
  MixSettings pending;
  std::atomic<bool> settingsChanged{false};
  MixSettings active;

  std::atomic<bool> gateOpen{false};
  std::atomic<bool> resetRequested{false};
  std::atomic<uint64_t> missed{0};

  std::unique_ptr<ReverbState> reverb;
  DiffuseBed bed;
  SpeakerFold fold;
  MasterStage master;
  MixGate gate;
  MonitorFormat configured{SpatialLayout::Stereo, false};
  // The reverb's eight channels as virtual sources of the current layout.
  std::array<std::array<float, kMaxLayoutChannels>, kReverbLines> reverbChannelGains{};

  // Scratch, sized once.
  std::vector<float> layoutMix;  // maxFrames x kMaxLayoutChannels
  std::vector<float> folded;     // maxFrames x 2
  std::vector<float> sendLeft, sendRight, diffuseLeft, diffuseRight, returnLeft, returnRight, blockGain;
  std::array<std::vector<float>, kReverbLines> reverbChannels;
};

// Re-initialises the layout-dependent parts when the monitor format changed.
void configureLayout(Mixer& mixer, MonitorFormat format);
// Clears every filter and delay line.
void resetMixerState(Mixer& mixer);
// Mixes the blocks of the cache (held by the caller) for `frames` frames from
// timeline frame `position` into mixer.layoutMix in the configured layout,
// adds the reverb return and the diffuse bed and applies the master gain.
// busFilter >= 0 keeps only that bus's blocks. frames <= maxFrames.
void mixLayout(Mixer& mixer, const RenderCache& cache, int64_t position, int frames, int busFilter, MixPart part);
// Brings the layout mix to outChannels interleaved channels (copy, fold or binaural).
void writeOutputChannels(Mixer& mixer, int frames, float* out, int outChannels);

}  // namespace vn
