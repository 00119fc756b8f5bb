// Opening, switching and recovering the output against scripted back ends,
// which can refuse or crash on demand.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "audio/audio_recovery.h"
#include "audio/audio_startup.h"
#include "audio/av_readout.h"
#include "audio/device_control.h"
#include "audio/driver_guard.h"
#include "audio/stream_choice.h"
#include "platform/log.h"
#include "scripted_driver.h"

namespace vn {
namespace {

using test::ScriptedBackend;
using test::scriptedDevice;

struct LogCapture {
  std::vector<std::string> lines;
  LogCapture() {
    setLogSink([this](LogStream, const std::string& line) { lines.push_back(line); });
  }
  ~LogCapture() { setLogSink({}); }
  bool has(const std::string& line) const {
    for (const auto& l : lines)
      if (l == line) return true;
    return false;
  }
};

// A low-latency back end ("JACK") and a shared one ("PulseAudio"), each with devices.
struct Rig {
  ScriptedBackend jack, pulse;
  AudioOutput output;
  Rig() {
    jack.name = "JACK";
    jack.devices = {scriptedDevice(0, "system", 2, {48000}, true)};
    jack.driverFrames = 1024;
    pulse.name = "PulseAudio";
    pulse.devices = {scriptedDevice(0, "Built-in", 2, {44100, 48000}, true),
                     scriptedDevice(1, "USB Interface", 8, {48000, 96000})};
    output.makeDriver = test::scriptedFactory({{kApiLowLatency, &jack}, {kApiShared, &pulse}});
  }
  bool start(const std::string& api, int rate = 48000) {
    AudioSettings s;
    s.api = api;
    return StartAudioOutput(output, s, rate);
  }
};

TEST(StreamChoice, RateChannelsAndBufferFrames) {
  AudioDeviceInfo only441 = scriptedDevice(0, "a", 2, {44100});
  AudioDeviceInfo both = scriptedDevice(0, "b", 2, {44100, 48000});
  AudioDeviceInfo preferred = scriptedDevice(0, "c", 2, {88200, 96000});
  preferred.preferredRate = 96000;
  AudioDeviceInfo silent = scriptedDevice(0, "d", 2, {});
  EXPECT_EQ(ChooseStreamRate(48000, only441), 44100);
  EXPECT_EQ(ChooseStreamRate(48000, both), 48000);
  EXPECT_EQ(ChooseStreamRate(48000, preferred), 96000);
  preferred.preferredRate = 0;
  EXPECT_EQ(ChooseStreamRate(48000, preferred), 88200);
  EXPECT_EQ(ChooseStreamRate(48000, silent), 48000);

  EXPECT_EQ(ChooseStreamChannels(8, 2), 2);
  EXPECT_EQ(ChooseStreamChannels(6, 8), 6);
  EXPECT_EQ(ChooseStreamChannels(1, 8), 2);
  EXPECT_EQ(ChooseStreamChannels(8, 1), 1);

  EXPECT_EQ(SnapBufferFrames(200), 256);
  EXPECT_EQ(SnapBufferFrames(96), 64);  // equal distance: the smaller size
  EXPECT_EQ(SnapBufferFrames(5000), 2048);
  EXPECT_EQ(SnapBufferFrames(0), 32);
  EXPECT_EQ(SnapBufferFrames(700), 512);

  EXPECT_EQ(OutputChannelsForChoice(0), 1);
  EXPECT_EQ(OutputChannelsForChoice(2), 6);
  EXPECT_EQ(OutputChannelsForChoice(3), 8);
  EXPECT_EQ(OutputChannelsForChoice(4), 2);
  EXPECT_EQ(OutputChannelsForChoice(-1), 2);
}

TEST(AudioOutputOpen, StreamFormatFollowsTheDevice) {
  Rig rig;
  rig.pulse.devices[0].sampleRates = {44100};  // a 48 kHz project on a 44.1 kHz device
  rig.output.bufferSize = 200;
  rig.output.requestedChannels = 8;
  ASSERT_TRUE(rig.start("PulseAudio"));
  EXPECT_EQ(rig.output.api, kApiShared);
  EXPECT_EQ(rig.output.streamRate, 44100);
  EXPECT_TRUE(rig.output.running);
  EXPECT_EQ(rig.output.statusText, "");
  // StartAudioOutput applies the saved settings: stereo, 256 frames.
  EXPECT_EQ(rig.pulse.lastRequest.bufferFrames, 256u);
  EXPECT_EQ(rig.pulse.lastRequest.channels, 2);

  // Eight channels asked of a stereo device give a stereo stream.
  rig.output.requestedChannels = 8;
  ASSERT_TRUE(OpenOutputStream(rig.output, 0, 48000));
  EXPECT_EQ(rig.output.channels, 2);

  // An eight-channel device that refuses eight channels is tried once more with two.
  rig.pulse.refusedChannels = {8};
  int opensBefore = rig.pulse.opens;
  ASSERT_TRUE(OpenOutputStream(rig.output, 1, 48000));
  EXPECT_EQ(rig.pulse.opens - opensBefore, 2);
  EXPECT_EQ(rig.output.channels, 2);
  rig.pulse.refusedChannels.clear();
  ASSERT_TRUE(OpenOutputStream(rig.output, 1, 48000));
  EXPECT_EQ(rig.output.channels, 8);

  // The low-latency back end runs at its server's buffer size.
  Rig low;
  ASSERT_TRUE(low.start("JACK"));
  EXPECT_EQ(low.jack.lastRequest.bufferFrames, 0u);
  EXPECT_EQ(low.output.streamFrames, 1024);
  EXPECT_TRUE(SetBufferSize(low.output, 64));
  EXPECT_EQ(low.jack.opens, 1);
}

TEST(AudioOutputOpen, RateMismatchIsToldAndLogged) {
  struct Case {
    const char* api;
    int hardwareRate;
    const char* status;
    const char* line;
  };
  const Case cases[] = {
      {"PulseAudio", 44100,
       "Device is running at 44100 Hz, not 48000 Hz - the system is resampling. Set the device to 48000 Hz for a "
       "clean path.",
       "[Audio] Rate mismatch: stream opened at 48000 Hz, hardware mix format is 44100 Hz (OS-side sample-rate "
       "conversion is active).\n"},
      {"JACK", 96000,
       "The ASIO driver is clocked at 96000 Hz, not 48000 Hz - playback will be off speed. Check its clock source "
       "in Driver Settings.",
       "[Audio] ASIO clock mismatch: stream opened at 48000 Hz, driver reports 96000 Hz (external clock, or the "
       "driver refused the rate change).\n"},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.pulse.hardwareRate = rig.jack.hardwareRate = c.hardwareRate;
    LogCapture log;
    ASSERT_TRUE(rig.start(c.api));
    EXPECT_EQ(rig.output.statusText, c.status);
    EXPECT_TRUE(log.has(c.line));
  }
}

TEST(DeviceControl, RefusedSettingsKeepThePreviousStream) {
  Rig rig;
  ASSERT_TRUE(rig.start("PulseAudio"));
  rig.pulse.refusedRates = {44100};
  EXPECT_FALSE(SetProjectRate(rig.output, 44100));
  EXPECT_EQ(rig.output.statusText, "The audio device refused this sample rate");
  EXPECT_EQ(rig.output.projectRate, 48000);
  EXPECT_EQ(rig.output.streamRate, 48000);
  EXPECT_TRUE(rig.output.running);

  rig.pulse.refusedBuffers = {64};
  EXPECT_FALSE(SetBufferSize(rig.output, 70));
  EXPECT_EQ(rig.output.statusText, "The audio device refused this buffer size");
  EXPECT_EQ(rig.output.bufferSize, 256);
  EXPECT_EQ(rig.pulse.lastRequest.bufferFrames, 256u);
  EXPECT_TRUE(rig.output.running);

  rig.pulse.refusedRates.clear();
  EXPECT_TRUE(SetBufferSize(rig.output, 1000));
  EXPECT_EQ(rig.pulse.lastRequest.bufferFrames, 1024u);
  EXPECT_TRUE(SetProjectRate(rig.output, 96000));  // not on the device: it plays at its preferred rate
  EXPECT_EQ(rig.output.streamRate, 44100);

  // A busy device: the previous one keeps playing, or says that it did not come back.
  rig.pulse.refusedDevices = {1};
  EXPECT_FALSE(SelectOutputDevice(rig.output, 1));
  EXPECT_EQ(rig.output.statusText, "Could not open \"USB Interface\" - staying on the previous device");
  EXPECT_EQ(rig.output.deviceId, 0u);
  EXPECT_TRUE(rig.output.running);
  rig.pulse.refusedDevices = {0, 1};
  EXPECT_FALSE(SelectOutputDevice(rig.output, 1));
  EXPECT_EQ(rig.output.statusText, "Could not open \"USB Interface\" - and the previous device did not reopen");
  EXPECT_FALSE(rig.output.running);

  rig.pulse.refusedDevices.clear();
  EXPECT_TRUE(SelectOutputDevice(rig.output, 1));
  EXPECT_EQ(rig.output.preferredDeviceName, "USB Interface");

  Rig low;
  low.jack.devices.push_back(scriptedDevice(1, "other", 2, {48000}));
  ASSERT_TRUE(low.start("JACK"));
  low.jack.refusedDevices = {1};
  EXPECT_FALSE(SelectOutputDevice(low.output, 1));
  EXPECT_EQ(low.output.statusText,
            "Could not open \"other\" - another application may be using it - staying on the previous device");
}

TEST(DeviceControl, SwitchingBackEnds) {
  Rig rig;
  ASSERT_TRUE(rig.start("JACK"));
  rig.output.preferredDeviceName = "USB Interface";
  ASSERT_TRUE(SwitchAudioApi(rig.output, kApiShared));
  EXPECT_EQ(rig.output.api, kApiShared);
  EXPECT_EQ(rig.output.deviceId, 1u);  // the user's device, found by name on the new back end
  EXPECT_TRUE(SwitchAudioApi(rig.output, kApiShared));

  ASSERT_TRUE(SwitchAudioApi(rig.output, kApiLowLatency));
  rig.pulse.devices.clear();
  EXPECT_FALSE(SwitchAudioApi(rig.output, kApiShared));
  EXPECT_EQ(rig.output.statusText, "No usable output on PulseAudio - staying on JACK");
  EXPECT_EQ(rig.output.api, kApiLowLatency);
  EXPECT_TRUE(rig.output.running);

  rig.jack.refusedDevices = {0};
  EXPECT_FALSE(SwitchAudioApi(rig.output, kApiShared));
  EXPECT_EQ(rig.output.statusText, "Could not open any output on PulseAudio");
  EXPECT_FALSE(rig.output.running);

  // A machine with neither: said once, and the transport runs on its own clock.
  AudioOutput none;
  none.makeDriver = test::scriptedFactory({});
  LogCapture log;
  EXPECT_FALSE(StartAudioOutput(none, AudioSettings{}, 48000));
  EXPECT_EQ(none.statusText, "No audio output is available - playback runs on a silent clock");
  EXPECT_EQ(log.lines.size(), 1u);
}

TEST(DeviceControl, RescanFindsTheDeviceAgainByName) {
  Rig rig;
  rig.jack.devices.push_back(scriptedDevice(1, "firewire", 8, {48000}));
  ASSERT_TRUE(rig.start("JACK"));
  ASSERT_TRUE(SelectOutputDevice(rig.output, 1));
  // The server came back with its ports in another order.
  rig.jack.devices = {scriptedDevice(0, "firewire", 8, {48000}), scriptedDevice(1, "system", 2, {48000}, true)};
  EXPECT_TRUE(RescanAsio(rig.output));
  EXPECT_EQ(rig.output.deviceId, 0u);
  EXPECT_EQ(rig.jack.creations, 2);

  rig.jack.devices = {scriptedDevice(0, "system", 2, {48000}, true)};
  EXPECT_FALSE(RescanAsio(rig.output));
  EXPECT_EQ(rig.output.statusText, "Could not reopen \"firewire\" after the rescan");
  rig.jack.devices.clear();
  EXPECT_FALSE(RescanAsio(rig.output));
  EXPECT_EQ(rig.output.statusText, "No ASIO driver could be opened");

  // From the shared back end a failed rescan leaves it playing.
  Rig shared;
  ASSERT_TRUE(shared.start("PulseAudio"));
  shared.jack.devices.clear();
  EXPECT_FALSE(RescanAsio(shared.output));
  EXPECT_EQ(shared.output.statusText, "No ASIO driver could be opened");
  EXPECT_EQ(shared.output.api, kApiShared);
  EXPECT_TRUE(shared.output.running);
}

TEST(DriverGuard, ErrorsAndCrashSignalsBecomeFailures) {
  GuardResult refused = GuardedDriverCall([] { throw std::runtime_error("device busy"); });
  EXPECT_EQ(refused.outcome, GuardOutcome::Refused);
  EXPECT_EQ(refused.message, "device busy");
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGSEGV}) {
    GuardResult crashed = GuardedDriverCall([sig] { raise(sig); });
    EXPECT_TRUE(crashed.crashed());
    EXPECT_EQ(crashed.code, static_cast<unsigned long>(sig));
  }
  EXPECT_TRUE(GuardedDriverCall([] {}).ok());
}

TEST(AudioRecovery, CrashedLowLatencyDriverStaysOff) {
  Rig rig;
  rig.jack.crashOnOpen = true;
  LogCapture log;
  ASSERT_TRUE(OpenAudioApi(rig.output, kApiLowLatency));
  EXPECT_FALSE(OpenOutputStream(rig.output, 0, 48000));
  const std::string reported = "The ASIO driver crashed (0x0000000B) - ASIO is off until Varnel restarts";
  EXPECT_EQ(rig.output.statusText, reported);
  EXPECT_TRUE(log.has("[Audio] " + reported + "\n"));
  EXPECT_TRUE(rig.output.asioDisabled);
  EXPECT_TRUE(rig.output.failed);
  EXPECT_FALSE(rig.output.running);

  RecoverAudio(rig.output);
  EXPECT_EQ(rig.output.api, kApiShared);
  EXPECT_TRUE(rig.output.running);
  EXPECT_FALSE(rig.output.failed);
  EXPECT_EQ(rig.output.statusText, reported);

  // The crashed driver is never called again.
  const int creations = rig.jack.creations, opens = rig.jack.opens;
  EXPECT_FALSE(SwitchAudioApi(rig.output, kApiLowLatency));
  EXPECT_EQ(rig.output.statusText, "ASIO is off until Varnel restarts - an ASIO driver crashed earlier");
  EXPECT_FALSE(RescanAsio(rig.output));
  EXPECT_EQ(rig.jack.creations, creations);
  EXPECT_EQ(rig.jack.opens, opens);
  EXPECT_EQ(rig.output.api, kApiShared);
  EXPECT_TRUE(rig.output.running);

  // A crash while the back end is created is caught the same way; start-up
  // goes on to the shared back end and keeps the report in front of the user.
  Rig early;
  early.jack.crashOnCreate = true;
  EXPECT_TRUE(early.start("JACK"));
  EXPECT_TRUE(early.output.asioDisabled);
  EXPECT_EQ(early.output.api, kApiShared);
  EXPECT_EQ(early.output.statusText, reported);
}

TEST(AudioRecovery, GivesUpAfterThreeReopenAttempts) {
  Rig rig;
  ASSERT_TRUE(rig.start("PulseAudio"));
  ReportAudioFailure(rig.output, 5, "The audio driver crashed");
  EXPECT_EQ(rig.output.statusText, "The audio driver crashed (0x00000005)");
  EXPECT_FALSE(rig.output.asioDisabled);
  rig.pulse.devices.clear();
  RecoverAudio(rig.output);
  EXPECT_EQ(rig.output.statusText, "The audio driver crashed (0x00000005) - and no audio device could be reopened");
  RecoverAudio(rig.output);
  RecoverAudio(rig.output);
  const int creations = rig.pulse.creations;
  rig.pulse.devices = {scriptedDevice(0, "Built-in", 2, {48000}, true)};
  RecoverAudio(rig.output);
  EXPECT_EQ(rig.pulse.creations, creations);
  EXPECT_FALSE(rig.output.running);
  const std::string suffix = " - audio is off until Varnel restarts";
  EXPECT_EQ(rig.output.statusText.substr(rig.output.statusText.size() - suffix.size()), suffix);
}

TEST(AudioHealth, LostDevicesAndCrashedCallbacks) {
  Rig rig;
  ASSERT_TRUE(rig.start("PulseAudio"));
  LogCapture log;
  CheckAudioHealth(rig.output);
  EXPECT_EQ(rig.output.statusText, "");

  rig.pulse.vanished = true;
  CheckAudioHealth(rig.output);
  EXPECT_EQ(rig.output.statusText, "Audio device disconnected - switched to default");
  EXPECT_TRUE(rig.output.running);
  EXPECT_TRUE(log.has("[Audio] Audio device disconnected - switched to default\n"));

  rig.pulse.vanished = true;
  rig.pulse.devices.clear();
  CheckAudioHealth(rig.output);
  EXPECT_EQ(rig.output.statusText, "Audio device lost - could not reopen");
  EXPECT_FALSE(rig.output.running);

  // A callback that crashes on the low-latency back end switches it off and
  // brings the output back on the shared one.
  Rig low;
  ASSERT_TRUE(low.start("JACK"));
  SetPlaybackSources(low.output, [](float*, float*, int) { raise(SIGSEGV); }, {});
  std::vector<float> out;
  EXPECT_EQ(test::pumpScripted(low.jack, out, 256), 2);
  for (float v : out) ASSERT_EQ(v, 0.0f);
  CheckAudioHealth(low.output);
  EXPECT_EQ(low.output.statusText, "The ASIO audio callback crashed (0x0000000B) - ASIO is off until Varnel restarts");
  EXPECT_EQ(low.output.api, kApiShared);
  EXPECT_TRUE(low.output.running);

  // A driver that asks for a reset is reopened on the same device and rate.
  Rig reset;
  ASSERT_TRUE(reset.start("JACK"));
  reset.jack.resetRequest = true;
  CheckAudioHealth(reset.output);
  EXPECT_EQ(reset.jack.opens, 2);
  EXPECT_TRUE(reset.output.running);
}

TEST(AvReadout, FormatsTheClocks) {
  Rig rig;
  rig.pulse.devices[0].sampleRates = {96000};
  ASSERT_TRUE(rig.start("PulseAudio", 96000));
  EXPECT_EQ(AvReadout(rig.output, std::nullopt),
            "av[proj=96000 dev=96000 hw=96000 buf=256 lat=2.7ms api=PulseAudio bal=+0.0 picSnd=n/a]");
  rig.output.counters.framesPulled = 960;
  EXPECT_EQ(AvReadout(rig.output, -12.4),
            "av[proj=96000 dev=96000 hw=96000 buf=256 lat=2.7ms api=PulseAudio bal=+10.0 picSnd=-12ms]");
  CloseAudioOutput(rig.output);
  EXPECT_NE(AvReadout(rig.output, std::nullopt).find("api=Unknown"), std::string::npos);
}

}  // namespace
}  // namespace vn
