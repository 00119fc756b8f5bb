#pragma once
// The connection to the sound card: one AudioOutput per process, owned by the
// application. It opens an output stream on a back end, pulls audio from the
// playback sources at the project rate, converts to the device rate when they
// differ, and tells the user every outcome in one short sentence (statusText).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_driver.h"
#include "audio/resampler.h"

namespace vn {

// Fills a left and a right buffer with `frames` frames at the project rate.
using StereoSource = std::function<void(float* left, float* right, int frames)>;
// Fills an interleaved buffer of frames x channels values at the project rate.
using MultichannelSource = std::function<void(float* interleaved, int frames, int channels)>;

struct PlaybackSources {
  StereoSource stereo;
  MultichannelSource multichannel;
};

// Kept by the callback, read by the interface and the diagnostics log.
struct AudioCounters {
  std::atomic<uint64_t> framesPulled{0};     // source frames taken from the sources
  std::atomic<uint64_t> framesDelivered{0};  // frames handed to the device
  std::atomic<uint64_t> callbacks{0};
  std::atomic<uint64_t> underflows{0};       // buffers the device reported late
  std::atomic<uint32_t> lastCallbackMicros{0};
  std::atomic<uint32_t> maxCallbackMicros{0};  // since the diagnostics last looked
};

// Ties one open stream's callbacks to the output; a driver that is given up
// keeps its binding, switched off, so late callbacks from it touch nothing.
struct StreamBinding {
  struct AudioOutput* output = nullptr;
  int channels = 2;  // of the stream this binding serves
  std::atomic<bool> live{true};
};

struct AudioOutput {
  int api = kApiClosed;
  std::unique_ptr<AudioDriver> rtaudio;  // the back end in use, or none
  std::string backendName;               // its name, kept for messages after it closes
  std::vector<AudioDeviceInfo> devices;
  int deviceIndex = -1;
  unsigned deviceId = 0;
  unsigned preferredDeviceId = 0;
  std::string preferredDeviceName;       // the user's choice, found again by name on any back end
  int projectRate = 48000;
  int streamRate = 0;
  int hardwareRate = 0;
  int channels = 2;
  int requestedChannels = 2;
  int bufferSize = 256;    // the setting; the low-latency back end takes its server's own
  int streamFrames = 0;    // frames per callback the driver granted
  long latencyFrames = 0;  // output latency the driver reported at open
  bool running = false;
  bool asioDisabled = false;
  bool failed = false;
  int restoreAttempts = 0;
  std::string statusText;
  AudioDriverFactory makeDriver = MakeRtAudioDriver;

  ResamplerState resampler;
  const PlaybackSources* resamplerSources = nullptr;  // whose frames the resampler holds
  AudioCounters counters;
  std::mutex mutex;  // opening, closing and source changes

  // The callback never takes the mutex: sources are swapped through this
  // pointer and the old ones freed once no callback is inside.
  std::atomic<const PlaybackSources*> sources{nullptr};
  std::unique_ptr<PlaybackSources> ownedSources;
  std::atomic<int> callbacksInFlight{0};
  std::unique_ptr<StreamBinding> binding;
  std::atomic<int> callbackCrashSignal{0};  // a crash signal cut the callback short
};

// Creates the back end (guarded), lists its output devices and finds the
// preferred one. False when the back end is missing, refuses or has no output.
bool OpenAudioApi(AudioOutput& output, int api);
// Opens and starts a stream on the device at the project rate; under the mutex.
bool OpenOutputStream(AudioOutput& output, unsigned deviceId, int projectRate);
// Stops and closes the stream and the back end (at exit).
void CloseAudioOutput(AudioOutput& output);
// Installs the callables the callback pulls from; either may be empty.
void SetPlaybackSources(AudioOutput& output, StereoSource stereo, MultichannelSource multichannel);

// Position in devices of the preferred device: by name, else the default
// output, else the first; -1 when the list is empty.
int PreferredDeviceIndex(const AudioOutput& output);

// The name of a back end that could not be asked for its own: "JACK", "ALSA",
// "Unknown".
std::string ApiFallbackName(int api);

// Records an opened stream's format and sizes the conversion buffers.
void ConfigureStreamState(AudioOutput& output, int projectRate, int streamRate, int channels,
                          int framesPerCallback);

// Fills `frames` interleaved frames of the stream's channel count. Runs on the
// driver's thread; allocates nothing and never waits.
int AudioCallback(AudioOutput& output, float* out, unsigned frames);

}  // namespace vn
