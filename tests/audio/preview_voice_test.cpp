// The preview voice: a sound file heard through the playback engine beside the
// timeline, sample for sample, until its end, a stop or the transport starting;
// moved on by the silent clock when no device pulls; and one sentence for a file
// that is missing, unreadable or empty.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "audio/playback_engine.h"
#include "playback_support.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

constexpr int64_t kMs = 1000000;

// A float WAV (exact on reading back) of frames frames: left rises, right falls.
std::vector<float> writeRamp(const std::string& path, int frames, int rate, int channels = 2) {
  std::vector<float> samples(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i) * channels + c] = (c == 0 ? 1e-4f : -2e-4f) * (i + 1);
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
  if (!f) return {};
  sf_writef_float(f, samples.data(), frames);
  sf_close(f);
  return samples;
}

using test::Pulled;
using test::pullFrames;

std::unique_ptr<PreviewSound> load(const std::string& path, int rate) {
  std::string error;
  auto sound = LoadPreviewSound(path, "ramp", rate, error);
  EXPECT_TRUE(sound) << error;
  return sound;
}

// An engine at 48 kHz over an empty timeline, and a folder for the files it hears.
struct PreviewVoiceTest : ::testing::Test {
  test::TempDir dir;
  RenderCache cache;
  std::unique_ptr<PlaybackEngine> e = CreatePlaybackEngine(cache, 48000);
  void SetUp() override { ASSERT_TRUE(e); }
};

TEST_F(PreviewVoiceTest, MixesTheFileIntoTheOutputSampleForSampleAndStopsAtItsEnd) {
  const std::vector<float> ramp = writeRamp(dir.file("ramp.wav"), 3000, 48000);
  EXPECT_FALSE(PreviewPlaying(e->preview));

  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  EXPECT_TRUE(PreviewPlaying(e->preview));
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 0);
  // The transport stays stopped: the voice is heard on its own.
  const Pulled first = pullFrames(*e, 2000);
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 2000);
  EXPECT_TRUE(PreviewPlaying(e->preview));
  const Pulled rest = pullFrames(*e, 2000);
  for (int i = 0; i < 3000; ++i) {
    const float left = i < 2000 ? first.left[i] : rest.left[i - 2000];
    const float right = i < 2000 ? first.right[i] : rest.right[i - 2000];
    ASSERT_EQ(left, ramp[2 * static_cast<size_t>(i)]) << "frame " << i;
    ASSERT_EQ(right, ramp[2 * static_cast<size_t>(i) + 1]) << "frame " << i;
  }
  for (int i = 1000; i < 2000; ++i) ASSERT_EQ(rest.left[i], 0.0f) << "after the end, frame " << i;
  EXPECT_FALSE(PreviewPlaying(e->preview));
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 3000);
  EXPECT_EQ(e->transport.position.load(), 0);

  // The listener's level applies to it as to the timeline; a mono file is heard on both sides.
  writeRamp(dir.file("mono.wav"), 100, 48000, 1);
  e->monitorGain = 0.5f;
  StartPreview(e->preview, load(dir.file("mono.wav"), 48000));
  const Pulled mono = pullFrames(*e, 100);
  EXPECT_EQ(mono.left[9], 0.5f * 1e-4f * 10);
  EXPECT_EQ(mono.right[9], mono.left[9]);
}

TEST(PreviewVoice, PlacesThePairOnTheFirstChannelsAndFoldsItForOne) {
  const float stereo[4] = {0.25f, -0.5f, 1.0f, 0.5f};
  std::vector<float> six(12, 0.125f);
  MixStereoInto(stereo, 2, six.data(), 6, 2.0f);
  EXPECT_EQ(six, (std::vector<float>{0.625f, -0.875f, 0.125f, 0.125f, 0.125f, 0.125f,  //
                                     2.125f, 1.125f, 0.125f, 0.125f, 0.125f, 0.125f}));
  std::vector<float> one(2, 0.0f);
  MixStereoInto(stereo, 2, one.data(), 1, 1.0f);
  EXPECT_EQ(one, (std::vector<float>{-0.125f, 0.75f}));
}

TEST_F(PreviewVoiceTest, AnotherStartAStopOrTheTransportEndsIt) {
  const std::vector<float> ramp = writeRamp(dir.file("ramp.wav"), 48000, 48000);

  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  pullFrames(*e, 1000);
  // A second start plays the new sound from its beginning.
  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 0);
  EXPECT_EQ(e->preview.retired.size(), 1u);
  const Pulled again = pullFrames(*e, 10);
  EXPECT_EQ(again.left[0], ramp[0]);
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 10);
  // No clock is inside the voice: the replaced sound goes at the next tick.
  AudioOutput none;
  TickPlayback(*e, none, SteadyNanos());
  EXPECT_TRUE(e->preview.retired.empty());

  StopPreview(e->preview);
  EXPECT_FALSE(PreviewPlaying(e->preview));
  const Pulled stopped = pullFrames(*e, 10);
  EXPECT_EQ(stopped.left[0], 0.0f);

  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  pullFrames(*e, 10);
  StartPlayback(*e);
  EXPECT_FALSE(PreviewPlaying(e->preview));
  const Pulled playing = pullFrames(*e, 10);
  EXPECT_EQ(playing.left[0], 0.0f);  // an empty timeline, and no preview
  StopPlayback(*e);
  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  TogglePlayback(*e);
  EXPECT_FALSE(PreviewPlaying(e->preview));
}

TEST_F(PreviewVoiceTest, TheSilentClockMovesThroughItInRealTime) {
  writeRamp(dir.file("ramp.wav"), 4800, 48000);
  AudioOutput none;
  StartPreview(e->preview, load(dir.file("ramp.wav"), 48000));
  const int64_t t0 = 1000 * kMs;
  TickPlayback(*e, none, t0);
  TickPlayback(*e, none, t0 + 50 * kMs);
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 2400);
  EXPECT_TRUE(PreviewPlaying(e->preview));
  TickPlayback(*e, none, t0 + 120 * kMs);
  EXPECT_EQ(PreviewFramesPlayed(e->preview), 4800);
  EXPECT_FALSE(PreviewPlaying(e->preview));
  EXPECT_EQ(e->transport.position.load(), 0);
}

// A device thread pulls without pause while the interface starts, stops and frees
// sounds: every frame heard is a frame of some sound (or silence), and under the
// sanitizers no sound is read after it was freed.
TEST_F(PreviewVoiceTest, StartsAndStopsWhileADeviceThreadPulls) {
  writeRamp(dir.file("ramp.wav"), 512, 48000);
  const std::unique_ptr<PreviewSound> original = load(dir.file("ramp.wav"), 48000);
  ASSERT_TRUE(original);
  std::atomic<bool> done{false};
  std::atomic<int> strange{0}, pulls{0};
  std::thread device([&] {
    std::vector<float> left(64), right(64);
    while (!done.load()) {
      PullStereo(*e, left.data(), right.data(), 64);
      for (float v : left)
        if (v < 0.0f || v > 1e-4f * 512 + 1e-6f) strange.fetch_add(1);
      pulls.fetch_add(1);
    }
  });
  AudioOutput none;
  for (int i = 0; i < 3000 || pulls.load() < 100; ++i) {
    if (i % 3 == 2) StopPreview(e->preview);
    else StartPreview(e->preview, std::make_unique<PreviewSound>(*original));
    ReleaseRetiredPreviews(e->preview);
  }
  done.store(true);
  device.join();
  TickPlayback(*e, none, SteadyNanos());
  EXPECT_EQ(strange.load(), 0);
  EXPECT_TRUE(e->preview.retired.empty());
}

TEST(PreviewVoice, ConvertsTheFileToTheEngineRate) {
  test::TempDir dir;
  writeRamp(dir.file("slow.wav"), 44100, 44100);
  std::unique_ptr<PreviewSound> sound = load(dir.file("slow.wav"), 48000);
  ASSERT_TRUE(sound);
  EXPECT_NEAR(static_cast<double>(sound->frames), 48000.0, 2.0);
  // Halfway through, the ramp stands at half its height.
  EXPECT_NEAR(sound->samples[2 * 24000], 1e-4f * 22050, 0.01f);
}

TEST(PreviewVoice, AMissingUnreadableOrEmptyFileGivesOneSentence) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(LoadPreviewSound(dir.file("absent_preview.wav"), "door", 48000, error));
  EXPECT_EQ(error, "No preview for door");
  test::writeAll(dir.file("junk.wav"), std::string(5000, 'x'));
  EXPECT_FALSE(LoadPreviewSound(dir.file("junk.wav"), "door", 48000, error));
  EXPECT_EQ(error, "The preview of door cannot be read as a sound file");
  // A header that promises more than the file holds still reads what is there.
  writeRamp(dir.file("cut.wav"), 1000, 48000);
  const std::string bytes = test::readAll(dir.file("cut.wav"));
  test::writeAll(dir.file("cut.wav"), bytes.substr(0, bytes.size() - 4000));
  std::unique_ptr<PreviewSound> cut = LoadPreviewSound(dir.file("cut.wav"), "door", 48000, error);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->frames, 500);
  writeRamp(dir.file("empty.wav"), 0, 48000);
  EXPECT_FALSE(LoadPreviewSound(dir.file("empty.wav"), "door", 48000, error));
  EXPECT_EQ(error, "The preview of door holds no sound");
}

}  // namespace
}  // namespace vn
