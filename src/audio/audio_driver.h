#pragma once
// The few things the output needs from a sound back end. The program talks to
// RtAudio through this; tests substitute a scripted back end to reach failures
// that no real device produces on demand (a refused rate, a crashing driver).
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vn {

// The program's own back-end numbers: 6 is the dedicated low-latency back end
// (JACK here), 7 the shared system back end (PulseAudio, else ALSA); 0 is closed.
constexpr int kApiClosed = 0;
constexpr int kApiLowLatency = 6;
constexpr int kApiShared = 7;

struct AudioDeviceInfo {
  unsigned id = 0;  // the back end's own device id
  std::string name;
  int outputChannels = 0;
  std::vector<int> sampleRates;
  int preferredRate = 0;  // 0 when the device names none
  bool isDefault = false;
};

struct StreamRequest {
  unsigned deviceId = 0;
  int channels = 2;
  int sampleRate = 48000;
  unsigned bufferFrames = 256;  // 0 lets the driver choose
};

// Called on the driver's thread for every buffer of interleaved float output.
// underflow reports that the previous buffer reached the device late.
using DriverCallback = int (*)(float* out, unsigned frames, bool underflow, void* user);

// Every member may throw (a std::exception) when the driver refuses; callers go
// through the driver guard, which also survives a crash inside the driver.
class AudioDriver {
 public:
  virtual ~AudioDriver() = default;
  // The back end's name as the user sees it ("JACK", "PulseAudio", "ALSA").
  virtual std::string name() const = 0;
  // Devices that can play (at least one output channel).
  virtual std::vector<AudioDeviceInfo> outputDevices() = 0;
  // Opens the stream (32-bit float, first channel 0, no input, named "Varnel");
  // returns the frames per callback the driver granted.
  virtual unsigned openStream(const StreamRequest& request, DriverCallback callback, void* user) = 0;
  virtual void startStream() = 0;
  virtual void closeStream() = 0;
  virtual bool isStreamOpen() = 0;
  virtual bool isStreamRunning() = 0;
  // The rate the device itself runs at, once a stream is open; 0 when unknown.
  virtual int hardwareRate() = 0;
  // Output latency of the open stream in frames (0 when the back end does not say).
  virtual long latencyFrames() = 0;
  // The driver asked to be reopened (its buffer size or clock changed under it).
  virtual bool resetRequested() = 0;
};

// Creates the back end for one of the program's api numbers; null when this
// machine has no such back end compiled in.
using AudioDriverFactory = std::function<std::unique_ptr<AudioDriver>(int api)>;
std::unique_ptr<AudioDriver> MakeRtAudioDriver(int api);

}  // namespace vn
