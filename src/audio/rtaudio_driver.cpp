// The RtAudio back ends behind the driver interface: JACK for the low-latency
// slot, PulseAudio (else ALSA) for the shared one.
#include <alsa/asoundlib.h>
#include <rtaudio/RtAudio.h>

#include <chrono>
#include <thread>

#include "audio/audio_driver.h"

namespace vn {
namespace {

// ALSA prints its configuration complaints straight to standard error on
// machines without a card; the program reports what matters in its own words.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool compiled(RtAudio::Api api) {
  std::vector<RtAudio::Api> apis;
  RtAudio::getCompiledApi(apis);
  for (RtAudio::Api a : apis)
    if (a == api) return true;
  return false;
}

std::string displayName(RtAudio::Api api) {
  switch (api) {
    case RtAudio::UNIX_JACK: return "JACK";
    case RtAudio::LINUX_PULSE: return "PulseAudio";
    case RtAudio::LINUX_ALSA: return "ALSA";
    default: return RtAudio::getApiDisplayName(api);
  }
}

int streamCallback(void* out, void*, unsigned frames, double, RtAudioStreamStatus status, void* user);

class RtAudioDriver final : public AudioDriver {
 public:
  explicit RtAudioDriver(RtAudio::Api api) : rt_(api), api_(api) { rt_.showWarnings(false); }

  ~RtAudioDriver() override {
    // A server that went away closes the stream from a thread of its own; wait
    // for that to finish so the stream is not closed twice.
    waitForServerClose();
  }

  std::string name() const override { return displayName(api_); }

  std::vector<AudioDeviceInfo> outputDevices() override {
    std::vector<AudioDeviceInfo> list;
    unsigned count = rt_.getDeviceCount();
    for (unsigned id = 0; id < count; ++id) {
      RtAudio::DeviceInfo info = rt_.getDeviceInfo(id);
      if (!info.probed || info.outputChannels == 0) continue;
      AudioDeviceInfo d;
      d.id = id;
      d.name = info.name;
      d.outputChannels = static_cast<int>(info.outputChannels);
      for (unsigned r : info.sampleRates) d.sampleRates.push_back(static_cast<int>(r));
      d.preferredRate = static_cast<int>(info.preferredSampleRate);
      d.isDefault = info.isDefaultOutput;
      list.push_back(std::move(d));
    }
    return list;
  }

  unsigned openStream(const StreamRequest& request, DriverCallback callback, void* user) override {
    callback_ = callback;
    user_ = user;
    deviceId_ = request.deviceId;
    RtAudio::StreamParameters out;
    out.deviceId = request.deviceId;
    out.nChannels = static_cast<unsigned>(request.channels);
    out.firstChannel = 0;
    RtAudio::StreamOptions options;
    options.streamName = "Varnel";
    unsigned frames = request.bufferFrames;
    rt_.openStream(&out, nullptr, RTAUDIO_FLOAT32, static_cast<unsigned>(request.sampleRate), &frames,
                   &streamCallback, this, &options);
    return frames;
  }

  void startStream() override {
    rt_.startStream();
    started_ = true;
  }

  void closeStream() override {
    waitForServerClose();
    if (rt_.isStreamOpen()) rt_.closeStream();
    started_ = false;
  }

  bool isStreamOpen() override { return rt_.isStreamOpen(); }
  bool isStreamRunning() override { return rt_.isStreamRunning(); }

  int hardwareRate() override {
    if (!rt_.isStreamOpen()) return 0;
    RtAudio::DeviceInfo info = rt_.getDeviceInfo(deviceId_);
    if (info.probed && info.preferredSampleRate > 0) return static_cast<int>(info.preferredSampleRate);
    return static_cast<int>(rt_.getStreamSampleRate());
  }

  long latencyFrames() override { return rt_.isStreamOpen() ? rt_.getStreamLatency() : 0; }

  // RtAudio passes no reset notification through; a changed server is seen as
  // a stream that stopped running, which the health check handles.
  bool resetRequested() override { return false; }

  int forward(float* out, unsigned frames, bool underflow) { return callback_(out, frames, underflow, user_); }

 private:
  void waitForServerClose() {
    if (!started_ || rt_.isStreamRunning()) return;
    for (int i = 0; i < 200 && rt_.isStreamOpen(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  RtAudio rt_;
  RtAudio::Api api_;
  DriverCallback callback_ = nullptr;
  void* user_ = nullptr;
  unsigned deviceId_ = 0;
  bool started_ = false;
};

int streamCallback(void* out, void*, unsigned frames, double, RtAudioStreamStatus status, void* user) {
  return static_cast<RtAudioDriver*>(user)->forward(static_cast<float*>(out), frames,
                                                      (status & RTAUDIO_OUTPUT_UNDERFLOW) != 0);
}

}  // namespace

std::unique_ptr<AudioDriver> MakeRtAudioDriver(int api) {
  if (api == kApiLowLatency) {
    if (!compiled(RtAudio::UNIX_JACK)) return nullptr;
    return std::make_unique<RtAudioDriver>(RtAudio::UNIX_JACK);
  }
  if (api != kApiShared) return nullptr;
  snd_lib_error_set_handler(&quietAlsa);
  if (compiled(RtAudio::LINUX_PULSE)) {
    auto pulse = std::make_unique<RtAudioDriver>(RtAudio::LINUX_PULSE);
    if (!pulse->outputDevices().empty()) return pulse;
  }
  if (!compiled(RtAudio::LINUX_ALSA)) return nullptr;
  return std::make_unique<RtAudioDriver>(RtAudio::LINUX_ALSA);
}

}  // namespace vn
