// Playing for real through a JACK server with its dummy driver: the stream
// opens under the program's name, callbacks arrive in real time, and a server
// that goes away is noticed and recovered from.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/audio_recovery.h"
#include "audio/audio_startup.h"
#include "audio/device_control.h"
#include "jack_server.h"

namespace vn {
namespace {

using Clock = std::chrono::steady_clock;

void waitFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Calls the health check once per "frame" until the status text changes or time runs out.
void checkUntilToldSomething(AudioOutput& output, double seconds) {
  auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (output.statusText.empty() && Clock::now() < until) {
    CheckAudioHealth(output);
    waitFor(0.02);
  }
}

void startOnJack(AudioOutput& output) {
  AudioSettings settings;
  settings.api = "JACK";
  ASSERT_TRUE(StartAudioOutput(output, settings, 48000)) << output.statusText;
}

bool waitUntilStopped(AudioOutput& output, double seconds) {
  auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < until) {
    if (!output.rtaudio->isStreamRunning()) return true;
    waitFor(0.02);
  }
  return false;
}

TEST(JackPlayback, PlaysInRealTimeUnderTheProgramsName) {
  test::JackServer server;
  ASSERT_TRUE(server.failure().empty()) << server.failure();
  AudioOutput output;
  ASSERT_NO_FATAL_FAILURE(startOnJack(output));
  EXPECT_EQ(output.api, kApiLowLatency);
  EXPECT_EQ(output.backendName, "JACK");
  EXPECT_EQ(output.streamRate, 48000);
  EXPECT_EQ(output.streamFrames, 256);
  EXPECT_EQ(output.hardwareRate, 48000);
  EXPECT_EQ(output.statusText, "");
  EXPECT_NE(server.ports().find("Varnel:"), std::string::npos) << server.ports();

  std::atomic<int64_t> produced{0};
  SetPlaybackSources(
      output,
      [&produced](float* l, float* r, int n) {
        for (int i = 0; i < n; ++i) l[i] = r[i] = 0.1f;
        produced += n;
      },
      {});
  waitFor(0.1);
  uint64_t before = output.counters.framesDelivered.load();
  uint64_t pulledBefore = output.counters.framesPulled.load();
  auto started = Clock::now();
  waitFor(1.0);
  double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  uint64_t delivered = output.counters.framesDelivered.load() - before;
  // The dummy driver clocks in real time; a loaded machine may fall a little behind.
  EXPECT_GT(static_cast<double>(delivered), 0.3 * 48000 * elapsed);
  EXPECT_LT(static_cast<double>(delivered), 1.5 * 48000 * elapsed);
  // Matching rates: every delivered frame was pulled straight from the source
  // (the two counters are read a moment apart, while buffers keep coming).
  double pulled = static_cast<double>(output.counters.framesPulled.load() - pulledBefore);
  EXPECT_NEAR(pulled, static_cast<double>(delivered), 2 * 256);

  // A 44.1 kHz project on the 48 kHz server plays converted.
  ASSERT_TRUE(SetProjectRate(output, 44100));
  EXPECT_EQ(output.streamRate, 48000);
  uint64_t pulled0 = output.counters.framesPulled.load(), delivered0 = output.counters.framesDelivered.load();
  waitFor(0.5);
  double ratio = static_cast<double>(output.counters.framesPulled.load() - pulled0) /
                 static_cast<double>(output.counters.framesDelivered.load() - delivered0);
  EXPECT_NEAR(ratio, 44100.0 / 48000.0, 0.01);

  // Seven-one asked of the server's two ports gives a stereo stream.
  ASSERT_TRUE(SetOutputChannels(output, 3));
  EXPECT_EQ(output.channels, 2);
  EXPECT_TRUE(output.running);

  // The shared back end: a machine without a sound server or card has nothing
  // there, and the output stays where it was.
  if (!SwitchAudioApi(output, kApiShared)) {
    EXPECT_EQ(output.statusText.rfind("No usable output on ", 0), 0u) << output.statusText;
    EXPECT_NE(output.statusText.find(" - staying on JACK"), std::string::npos) << output.statusText;
    EXPECT_EQ(output.api, kApiLowLatency);
    EXPECT_TRUE(output.running);
  }
  CloseAudioOutput(output);
}

TEST(JackPlayback, ServerThatGoesAwayIsNoticedAndRecovered) {
  test::JackServer server;
  ASSERT_TRUE(server.failure().empty()) << server.failure();
  AudioOutput output;
  ASSERT_NO_FATAL_FAILURE(startOnJack(output));
  SetPlaybackSources(output, [](float* l, float* r, int n) { std::fill(l, l + n, 0.0f), std::fill(r, r + n, 0.0f); },
                     {});

  // Gone for good: said once, nothing crashes.
  server.vanish();
  checkUntilToldSomething(output, 10.0);
  EXPECT_EQ(output.statusText, "Audio device lost - could not reopen");
  EXPECT_FALSE(output.running);
  CheckAudioHealth(output);
  EXPECT_EQ(output.statusText, "Audio device lost - could not reopen");

  // The server comes back: a rescan finds it.
  ASSERT_TRUE(server.start()) << server.failure();
  ASSERT_TRUE(RescanAsio(output)) << output.statusText;
  EXPECT_TRUE(output.running);

  // Gone and back before the next check: the output moves to the new server's default device.
  server.vanish();
  ASSERT_TRUE(waitUntilStopped(output, 10.0));
  ASSERT_TRUE(server.start()) << server.failure();
  checkUntilToldSomething(output, 5.0);
  EXPECT_EQ(output.statusText, "Audio device disconnected - switched to default");
  EXPECT_TRUE(output.running);
  uint64_t before = output.counters.framesDelivered.load();
  waitFor(0.3);
  EXPECT_GT(output.counters.framesDelivered.load(), before);
  CloseAudioOutput(output);
}

TEST(JackPlayback, NoServerMeansNoLowLatencyBackEnd) {
  ::setenv("JACK_DEFAULT_SERVER", "varnel-test-no-such-server", 1);
  AudioOutput output;
  EXPECT_FALSE(OpenAudioApi(output, kApiLowLatency));
  EXPECT_EQ(output.api, kApiClosed);
}

}  // namespace
}  // namespace vn
