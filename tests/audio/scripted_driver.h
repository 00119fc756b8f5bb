#pragma once
// A back end the tests script: which rates, buffer sizes and channel counts it
// refuses, whether it crashes, and a pump that runs the stream's callback the
// way a driver thread would.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "audio/audio_driver.h"

namespace vn::test {

struct ScriptedBackend {
  std::string name = "Scripted";
  std::vector<AudioDeviceInfo> devices;
  std::set<int> refusedRates;
  std::set<unsigned> refusedBuffers;
  std::set<int> refusedChannels;
  std::set<unsigned> refusedDevices;
  bool crashOnCreate = false;
  bool crashOnOpen = false;
  int hardwareRate = 0;       // 0: whatever the stream was opened at
  unsigned driverFrames = 0;  // granted frames; 0 grants what was asked (512 when asked for 0)
  bool resetRequest = false;
  bool vanished = false;      // the device went away: the stream stops running

  // What happened.
  int creations = 0;
  int opens = 0;
  StreamRequest lastRequest;
  bool open = false;
  bool running = false;
  DriverCallback callback = nullptr;
  void* user = nullptr;
};

// A device with the given rates (the first is its preferred one).
AudioDeviceInfo scriptedDevice(unsigned id, const std::string& name, int channels, std::vector<int> rates,
                               bool isDefault = false);

// Creates drivers for the scripted back ends, by api number; an api without one has no back end.
AudioDriverFactory scriptedFactory(std::map<int, ScriptedBackend*> backends);

// Runs one buffer through the open stream; returns the callback's result.
int pumpScripted(ScriptedBackend& backend, std::vector<float>& out, unsigned frames);

}  // namespace vn::test
