#include "scripted_driver.h"

#include <signal.h>

#include <stdexcept>

namespace vn::test {
namespace {

class ScriptedDriver final : public AudioDriver {
 public:
  explicit ScriptedDriver(ScriptedBackend& b) : b_(b) {}
  ~ScriptedDriver() override {
    b_.open = false;
    b_.running = false;
  }
  std::string name() const override { return b_.name; }
  std::vector<AudioDeviceInfo> outputDevices() override { return b_.devices; }
  unsigned openStream(const StreamRequest& request, DriverCallback callback, void* user) override {
    b_.opens += 1;
    b_.lastRequest = request;
    if (b_.crashOnOpen) raise(SIGSEGV);
    if (b_.refusedRates.count(request.sampleRate)) throw std::runtime_error("rate refused");
    if (b_.refusedBuffers.count(request.bufferFrames)) throw std::runtime_error("buffer size refused");
    if (b_.refusedChannels.count(request.channels)) throw std::runtime_error("channel count refused");
    if (b_.refusedDevices.count(request.deviceId)) throw std::runtime_error("device busy");
    b_.open = true;
    b_.vanished = false;
    b_.callback = callback;
    b_.user = user;
    if (b_.driverFrames) return b_.driverFrames;
    return request.bufferFrames ? request.bufferFrames : 512;
  }
  void startStream() override { b_.running = true; }
  void closeStream() override {
    b_.open = false;
    b_.running = false;
  }
  bool isStreamOpen() override { return b_.open; }
  bool isStreamRunning() override { return b_.running && !b_.vanished; }
  int hardwareRate() override { return b_.hardwareRate ? b_.hardwareRate : b_.lastRequest.sampleRate; }
  long latencyFrames() override { return 0; }
  bool resetRequested() override {
    bool r = b_.resetRequest;
    b_.resetRequest = false;
    return r;
  }

 private:
  ScriptedBackend& b_;
};

}  // namespace

AudioDeviceInfo scriptedDevice(unsigned id, const std::string& name, int channels, std::vector<int> rates,
                               bool isDefault) {
  AudioDeviceInfo d;
  d.id = id;
  d.name = name;
  d.outputChannels = channels;
  d.preferredRate = rates.empty() ? 0 : rates.front();
  d.sampleRates = std::move(rates);
  d.isDefault = isDefault;
  return d;
}

AudioDriverFactory scriptedFactory(std::map<int, ScriptedBackend*> backends) {
  return [backends](int api) -> std::unique_ptr<AudioDriver> {
    auto it = backends.find(api);
    if (it == backends.end()) return nullptr;
    it->second->creations += 1;
    if (it->second->crashOnCreate) raise(SIGSEGV);
    return std::make_unique<ScriptedDriver>(*it->second);
  };
}

int pumpScripted(ScriptedBackend& backend, std::vector<float>& out, unsigned frames) {
  out.assign(static_cast<size_t>(frames) * static_cast<size_t>(backend.lastRequest.channels), -1.0f);
  return backend.callback(out.data(), frames, false, backend.user);
}

}  // namespace vn::test
