// The window's audition path as the user drives it: commands (the space bar, Home,
// the loop button) start and stop the playback engine on a real JACK server or on
// the silent clock; opening a project loads its sounds into the render cache and
// New or another Open throws the previous mix away; the bus balance follows the
// Project panel's settings; a relink reaches every use of the file.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/app_state.h"
#include "app/engines.h"
#include "app/frame.h"
#include "app/library_actions.h"
#include "app/project_actions.h"
#include "app/render_actions.h"
#include "app/shortcuts.h"
#include "audio/jack_server.h"
#include "core/project_file.h"
#include "library/file_identity.h"
#include "library/file_lookup_hook.h"
#include "render/bus_balance.h"
#include "support/temp_dir.h"
#include "tools/demo_session.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

using Clock = std::chrono::steady_clock;

// A second of noise at a steady level, mono 48 kHz.
void writeNoise(const std::string& path, float level, double seconds = 1.0) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::vector<float> samples(static_cast<size_t>(48000 * seconds));
  uint32_t state = 12345;
  for (float& s : samples) {
    state = state * 1103515245u + 12345u;
    s = level * (static_cast<float>((state >> 16) & 0x7fff) / 16384.0f - 1.0f);
  }
  tools::SoundFileSpec fileFormat;
  fileFormat.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::string error;
  ASSERT_TRUE(tools::WriteSoundFile(path, fileFormat, {samples}, error)) << error;
}

Layer layerOf(const std::string& path, int eventIdx, float start, float duration) {
  Layer l;
  l.name = "noise";
  l.filepath = path;
  l.eventIdx = eventIdx;
  l.startTime = start;
  l.duration = duration;
  return l;
}

struct PlaybackFlow : ::testing::Test {
  test::TempDir dir;
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  void start(const std::string& api) {
    attachProjectContext(app);
    app.prefs.audioApi = api;
    startEngines(app);
    ASSERT_TRUE(app.playback);
  }
  void TearDown() override {
    stopAudio(app);
    stopRenderer(app);
  }
  void run(CommandId id, std::string text = {}) {
    app.commands.post({id, std::move(text), -1});
    prepareFrame(app, 1.0 / 60.0);
  }
  // Frames at about 60 a second until done() holds or the time is up.
  bool framesUntil(const std::function<bool()>& done, double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
      prepareFrame(app, 1.0 / 60.0);
    }
    return done();
  }
  void framesFor(double seconds) {
    framesUntil([] { return false; }, seconds);
  }
  bool jobsSettled(double seconds = 120.0) {
    return framesUntil([&] { return !app.render.busy.load() && !app.balancePending && !app.render.rebuildDeferred; },
                       seconds);
  }
  std::vector<float> blockStarts() {
    std::lock_guard lock(app.render.cache.mutex);
    std::vector<float> starts;
    for (const RenderedBlock& b : app.render.cache.blocks) starts.push_back(b.start);
    std::sort(starts.begin(), starts.end());
    return starts;
  }
};

TEST_F(PlaybackFlow, SpaceAndTheTransportButtonsPlayAndStopOnAJackServer) {
  test::JackServer server;
  ASSERT_TRUE(server.failure().empty()) << server.failure();
  ASSERT_NO_FATAL_FAILURE(start("JACK"));
  ASSERT_TRUE(app.audio.running) << app.audio.statusText;
  EXPECT_EQ(app.audio.backendName, "JACK");
  app.session = tools::MakeDemoSession();
  EXPECT_EQ(commandForKey(GLFW_KEY_SPACE, 0, false), CommandId::PlayStop);
  EXPECT_EQ(commandForKey(GLFW_KEY_HOME, 0, false), CommandId::ReturnToStart);
  EXPECT_FALSE(commandForKey(GLFW_KEY_SPACE, 0, true));  // a text field takes the space

  app.timeline.pixelsPerSecond = app.timeline.width;  // one second on screen, at the start
  movePlayhead(app, 2.0);
  const uint64_t pulledBefore = app.audio.counters.framesPulled.load();
  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return app.playhead > 2.8; }, 20.0)) << "playhead at " << app.playhead;
  EXPECT_TRUE(isPlaying(app));
  EXPECT_EQ(app.playback->transport.phase.load(), TransportPhase::Playing);
  // The device's callback drives the clock and pulls the mix.
  EXPECT_GT(app.audio.counters.framesPulled.load(), pulledBefore + 48000 / 2);
  EXPECT_LT(SteadyNanos() - app.playback->lastPullNanos.load(), 100000000LL);
  // The view pages along with the playhead.
  EXPECT_GT(app.timeline.leftTime, 1.9);
  EXPECT_LE(app.timeline.leftTime, app.playhead);

  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return !isPlaying(app); }, 5.0));
  const double stoppedAt = app.playhead;
  framesFor(0.3);
  EXPECT_DOUBLE_EQ(app.playhead, stoppedAt);
  run(CommandId::ReturnToStart);
  EXPECT_DOUBLE_EQ(app.playhead, 0.0);
  // The output closes before the server goes: a server leaving under an open stream
  // makes the audio library close it from a thread of its own, which can deadlock
  // against our own close inside the JACK client library.
  stopAudio(app);
}

TEST_F(PlaybackFlow, WithoutAnyOutputTheSilentClockPlaysAndSaysSo) {
  app.audio.makeDriver = [](int) { return std::unique_ptr<AudioDriver>(); };
  ASSERT_NO_FATAL_FAILURE(start(""));
  EXPECT_FALSE(app.audio.running);
  prepareFrame(app, 1.0 / 60.0);
  EXPECT_EQ(app.status.text, "No audio output is available - playback runs on a silent clock");
  app.session = tools::MakeDemoSession();

  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return app.playhead > 0.5; }, 20.0)) << "playhead at " << app.playhead;
  EXPECT_TRUE(isPlaying(app));
  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return !isPlaying(app); }, 5.0));

  // Looping goes round the work area.
  app.session.workAreaIn = 1.0f;
  app.session.workAreaOut = 1.4f;
  run(CommandId::LoopToggle);
  EXPECT_TRUE(app.transport.loopWorkArea);
  movePlayhead(app, 1.0);
  run(CommandId::PlayStop);
  double furthest = 0.0;
  framesUntil([&] {
    furthest = std::max(furthest, app.playhead);
    return false;
  }, 1.2);
  EXPECT_TRUE(isPlaying(app));
  EXPECT_GE(app.playhead, 0.99);
  EXPECT_LE(furthest, 1.41);
  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return !isPlaying(app); }, 5.0));

  // Without the loop, playing stops by itself at the end of the session.
  run(CommandId::LoopToggle);
  app.session.events.clear();
  app.session.settings.totalDuration = 1.0f;
  movePlayhead(app, 0.6);
  run(CommandId::PlayStop);
  ASSERT_TRUE(framesUntil([&] { return !isPlaying(app); }, 10.0));
  EXPECT_NEAR(app.playhead, 1.0, 0.05);
}

TEST_F(PlaybackFlow, OpeningLoadsTheSoundsAndNewOrOpenDropsThePreviousMix) {
  app.audio.makeDriver = [](int) { return std::unique_ptr<AudioDriver>(); };
  ASSERT_NO_FATAL_FAILURE(start(""));
  ASSERT_NO_FATAL_FAILURE(writeNoise(dir.file("a.wav"), 0.3f));
  ASSERT_NO_FATAL_FAILURE(writeNoise(dir.file("b.wav"), 0.1f, 2.0));
  Session first = tools::MakeDemoSession();
  first.results = {layerOf(dir.file("a.wav"), 2, 1.0f, 1.0f), layerOf(dir.file("b.wav"), 7, 3.0f, 2.0f)};
  std::filesystem::create_directories(dir.file("first"));
  std::filesystem::create_directories(dir.file("second"));
  ASSERT_TRUE(saveProject(dir.file("first/first.vnproj"), first));
  Session second = tools::MakeDemoSession();
  second.results = {layerOf(dir.file("a.wav"), 9, 10.0f, 1.0f)};
  ASSERT_TRUE(saveProject(dir.file("second/second.vnproj"), second));
  ASSERT_TRUE(saveProject(dir.file("empty.vnproj"), tools::MakeDemoSession()));

  run(CommandId::OpenPath, dir.file("first/first.vnproj"));
  EXPECT_EQ(app.status.text, "Project opened");
  ASSERT_TRUE(jobsSettled());
  EXPECT_EQ(blockStarts(), (std::vector<float>{1.0f, 3.0f}));
  {
    std::lock_guard lock(app.render.cache.mutex);
    for (const RenderedBlock& b : app.render.cache.blocks) EXPECT_GT(b.samplePeak + b.peaks[10], 0.0f);
  }

  run(CommandId::OpenPath, dir.file("second/second.vnproj"));
  EXPECT_TRUE(blockStarts().empty() || blockStarts() == std::vector<float>{10.0f});  // the first mix is gone at once
  ASSERT_TRUE(jobsSettled());
  EXPECT_EQ(blockStarts(), (std::vector<float>{10.0f}));

  run(CommandId::OpenPath, dir.file("first/first.vnproj"));
  ASSERT_TRUE(jobsSettled());
  EXPECT_EQ(blockStarts().size(), 2u);
  run(CommandId::New);
  EXPECT_TRUE(blockStarts().empty());
  run(CommandId::OpenPath, dir.file("first/first.vnproj"));
  ASSERT_TRUE(jobsSettled());
  run(CommandId::OpenPath, dir.file("empty.vnproj"));
  ASSERT_TRUE(jobsSettled());
  EXPECT_TRUE(blockStarts().empty());
}

TEST_F(PlaybackFlow, NormalizeAndBusTargetsBalanceTheBussesAtOnce) {
  app.audio.makeDriver = [](int) { return std::unique_ptr<AudioDriver>(); };
  ASSERT_NO_FATAL_FAILURE(start(""));
  ASSERT_NO_FATAL_FAILURE(writeNoise(dir.file("a.wav"), 0.05f));
  Session s = tools::MakeDemoSession();
  s.settings.normalizeLUFS = false;
  s.results = {layerOf(dir.file("a.wav"), 2, 1.0f, 1.0f)};
  ASSERT_TRUE(saveProject(dir.file("p.vnproj"), s));
  run(CommandId::OpenPath, dir.file("p.vnproj"));
  ASSERT_TRUE(jobsSettled());
  auto firstGain = [&] {
    std::lock_guard lock(app.render.cache.mutex);
    return app.render.cache.blocks.at(0).normGain;
  };
  EXPECT_FLOAT_EQ(firstGain(), 1.0f);

  app.session.settings.normalizeLUFS = true;
  rebalanceBusses(app);
  ASSERT_TRUE(jobsSettled());
  const RenderedBlock block = app.render.cache.blocks.at(0);
  const int bus = block.bus;
  const float target = app.session.trackLayout.busses[bus].targetLUFS;
  EXPECT_GT(block.loudness, -90.0f);
  EXPECT_FLOAT_EQ(block.normGain, busBalanceGain(block.loudness, block.samplePeak, target));
  EXPECT_NE(block.normGain, 1.0f);
  EXPECT_FLOAT_EQ(app.session.results[0].normGain, block.normGain);

  app.session.trackLayout.busses[bus].targetLUFS = target - 12.0f;
  rebalanceBusses(app);
  ASSERT_TRUE(jobsSettled());
  EXPECT_NEAR(20.0f * std::log10(firstGain() / block.normGain), -12.0f, 0.01f);

  // Posted while another job runs, the balance waits for it rather than being lost.
  app.session.settings.normalizeLUFS = false;
  ASSERT_TRUE(RebuildCacheAsync(app.render, "Busy", true));
  rebalanceBusses(app);
  ASSERT_TRUE(jobsSettled());
  EXPECT_FLOAT_EQ(firstGain(), 1.0f);
}

TEST_F(PlaybackFlow, ARelinkInTheWindowReachesPinnedFilesLikeTheCommandLine) {
  InstallLibraryFileLookup();
  const std::string id = "b0b0b0b0b0b01301";
  RegisterFileId(id, "/gone/traffic.wav", 0, 0);
  ASSERT_NO_FATAL_FAILURE(writeNoise(dir.file("moved/traffic.wav"), 0.2f));
  attachProjectContext(app);
  app.session = tools::MakeDemoSession();
  Event& bed = app.session.events[1];
  ASSERT_EQ(bed.shape, ShapeType::Bed);
  bed.pinnedFiles = {"/gone/traffic.wav"};
  bed.pinnedFileIds = {id};
  app.session.dirty = false;

  app.relink.askFileId = id;
  app.relink.askPath = dir.file("moved/traffic.wav");
  forceRelinkPending(app);
  EXPECT_EQ(app.relink.message, "Relinked 1 file");
  EXPECT_EQ(app.session.events[1].pinnedFiles[0], dir.file("moved/traffic.wav"));
  EXPECT_TRUE(app.session.dirty);
}

}  // namespace
}  // namespace vn
