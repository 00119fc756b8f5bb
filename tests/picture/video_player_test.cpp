#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "clip_fixture.h"
#include "picture/reference_audio.h"
#include "picture/video_player.h"
#include "platform/log.h"
#include "tools/test_video_scenes.h"

namespace vn {
namespace {

// Collects the diagnostic lines written while it lives.
struct CapturedLog {
  std::vector<std::string> lines;
  CapturedLog() {
    setLogSink([this](LogStream, const std::string& line) { lines.push_back(line); });
  }
  ~CapturedLog() { setLogSink({}); }
  int count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

std::vector<uint8_t> painted(const tools::FramePainter& paint, int index, int w = 160, int h = 90) {
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  paint(index, rgba.data(), w, h);
  return rgba;
}

TEST(VideoPlayer, LoadsAClipAndShowsItsFirstFrame) {
  test::TempDir dir;
  const tools::FramePainter pan = tools::HorizontalPan(3);
  const std::string clip = test::MakeClip(dir, "pan.mkv", test::LosslessSpec(2.0, pan));
  VideoPlayer player;
  CapturedLog log;
  ASSERT_TRUE(LoadVideo(player, clip));
  EXPECT_TRUE(player.loaded);
  EXPECT_EQ(player.width, 160);
  EXPECT_EQ(player.height, 90);
  EXPECT_FLOAT_EQ(player.fps, 10.0f);
  EXPECT_NEAR(player.duration, 2.0f, 0.01f);
  EXPECT_FLOAT_EQ(player.currentFrameTime, 0.0f);
  EXPECT_EQ(log.lines.front(), "[Video] loaded via FFmpeg (ffv1) 160x90 10.00fps 2.00s (" + clip + ")\n");
  const VideoImage* image = DisplayImage(player);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->rgba, painted(pan, 0));
  EXPECT_FLOAT_EQ(LoadProgress(), 1.0f);
  EXPECT_EQ(CurrentReferenceAudio(), nullptr) << "a clip without sound gives no reference audio";

  CloseVideo(player);
  EXPECT_FALSE(player.loaded);
  EXPECT_EQ(DisplayImage(player), nullptr);
  EXPECT_EQ(player.width, 0);
  EXPECT_EQ(player.fps, 0.0f);
  EXPECT_EQ(player.currentFrameTime, -1.0f);
}

TEST(VideoPlayer, DisplaySizeIsCappedAt1280OnTheLongSide) {
  int w = 3840, h = 2160;
  CapDisplaySize(w, h);
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);
  w = 1000, h = 2000;
  CapDisplaySize(w, h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 1280);
  w = 1280, h = 720;
  CapDisplaySize(w, h);
  EXPECT_EQ(w, 1280);

  test::TempDir dir;
  tools::TestVideoSpec clipSpec = test::LosslessSpec(0.2, [](int, uint8_t* rgba, int width, int height) {
    std::memset(rgba, 128, static_cast<size_t>(width) * height * 4);
  });
  clipSpec.codec = tools::TestVideoCodec::Mpeg4;
  clipSpec.width = 1600;
  clipSpec.height = 900;
  VideoPlayer player;
  ASSERT_TRUE(LoadVideo(player, test::MakeClip(dir, "wide.mp4", clipSpec)));
  EXPECT_EQ(player.width, 1280);
  EXPECT_EQ(player.height, 720);
  EXPECT_EQ(DisplayImage(player)->rgba.size(), size_t{1280} * 720 * 4);
}

TEST(VideoPlayer, UnreadableFilesFailWithOneLineAndLeaveNothingOpen) {
  test::TempDir dir;
  test::writeAll(dir.file("empty.mp4"), "");
  test::writeAll(dir.file("garbage.mkv"), std::string(4096, '\x5a'));
  // A valid sound file has no picture.
  const char wavBytes[] = "RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x80\xbb\x00\x00\x00\x77\x01"
                         "\x00\x02\x00\x10\x00"
                         "data\x08\x00\x00\x00\x01\x00\x02\x00\x03\x00\x04\x00";
  const std::string wav(wavBytes, sizeof(wavBytes) - 1);
  test::writeAll(dir.file("sound.wav"), wav);
  const struct {
    std::string path;
    std::string line;
  } cases[] = {
      {dir.file("missing.mp4"), "[Video] FFmpeg: cannot open container (" + dir.file("missing.mp4") + ")\n"},
      {dir.file("empty.mp4"), ""},
      {dir.file("garbage.mkv"), ""},
      {dir.file("sound.wav"), "[Video] FFmpeg: no decodable video stream (" + dir.file("sound.wav") + ")\n"},
  };
  for (const auto& c : cases) {
    VideoPlayer player;
    CapturedLog log;
    EXPECT_FALSE(LoadVideo(player, c.path)) << c.path;
    EXPECT_FALSE(player.loaded);
    EXPECT_EQ(DisplayImage(player), nullptr);
    ASSERT_EQ(log.count("[Video] "), 1) << c.path;
    if (!c.line.empty()) {
      EXPECT_EQ(log.lines[0], c.line);
    }
  }
}

TEST(VideoPlayer, ReferenceAudioIsTheSoundTrackAt48kHzStereo) {
  test::TempDir dir;
  tools::TestVideoSpec clipSpec = test::LosslessSpec(1.0, tools::StillWithFlash(-1));
  clipSpec.toneHz = 300.0;
  const std::string clip = test::MakeClip(dir, "tone.mkv", clipSpec);
  VideoPlayer player;
  CapturedLog log;
  ASSERT_TRUE(LoadVideo(player, clip));
  EXPECT_EQ(log.count("[Video] reference audio: 1.0s stereo 48kHz (" + clip + ")"), 1);
  auto audio = CurrentReferenceAudio();
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(audio->sampleRate, 48000);
  EXPECT_NEAR(static_cast<double>(audio->frameCount), 48000.0, 1024.0);
  for (int k : {100, 4321, 30000}) {
    const double t = k / 48000.0;
    EXPECT_NEAR(audio->samples[2 * k], 16383.5 * std::sin(2 * std::numbers::pi * 300 * t), 2.0);
    EXPECT_NEAR(audio->samples[2 * k + 1], 16383.5 * std::sin(2 * std::numbers::pi * 600 * t), 2.0);
  }

  // Mixing at 44.1 kHz steps through the 48 kHz buffer and interpolates.
  SetReferenceAudioGain(0.5f);
  std::vector<float> left(64, 1.0f), right(64, 1.0f);
  MixReferenceAudio(left.data(), right.data(), 64, 0.25, 44100.0);
  for (int i : {0, 17, 63}) {
    const double p = 48000.0 * 0.25 + i * 48000.0 / 44100.0;
    const int k = static_cast<int>(p);
    const double f = p - k;
    const double l = audio->samples[2 * k] + (audio->samples[2 * k + 2] - audio->samples[2 * k]) * f;
    EXPECT_NEAR(left[i], 1.0 + l * 0.5 / 32768.0, 1e-5);
  }
  // Before the start, past the end and with the gain off nothing is added.
  std::vector<float> quiet(32, 0.0f), quiet2(32, 0.0f);
  MixReferenceAudio(quiet.data(), quiet2.data(), 32, -1.0, 48000.0);
  MixReferenceAudio(quiet.data(), quiet2.data(), 32, 5.0, 48000.0);
  SetReferenceAudioGain(0.0f);
  MixReferenceAudio(quiet.data(), quiet2.data(), 32, 0.5, 48000.0);
  SetReferenceAudioGain(1.0f);
  MixReferenceAudio(quiet.data(), quiet2.data(), 32, 0.5, 0.5);
  for (float v : quiet) EXPECT_EQ(v, 0.0f);

  // The length cap keeps exactly the allowed frames and says so.
  ExtractReferenceAudio(clip, 4800);
  EXPECT_EQ(CurrentReferenceAudio()->frameCount, 4800);
  EXPECT_EQ(log.count("[Video] reference audio capped at 60 min (" + clip + ")"), 1);

  CloseVideo(player);
  EXPECT_EQ(CurrentReferenceAudio(), nullptr);
}

// Runs idle ticks until the pending seek lands (bounded).
void settle(VideoPlayer& player) {
  for (int i = 0; i < 1000 && player.decoder->seekTarget >= 0.0f; ++i) Tick(player);
  ASSERT_LT(player.decoder->seekTarget, 0.0f);
}

TEST(VideoPlayer, SeekingLandsOnTheFrameGridAndRepositionsOnlyWhenItMust) {
  test::TempDir dir;
  const tools::FramePainter pan = tools::HorizontalPan(2);
  tools::TestVideoSpec clipSpec = test::LosslessSpec(10.0, pan);
  const std::string clip = test::MakeClip(dir, "long.mkv", clipSpec);
  VideoPlayer player;
  ASSERT_TRUE(LoadVideo(player, clip));
  player.offset = 10.0f;  // the video starts 10 s into the timeline
  VideoDecoderState& d = *player.decoder;

  Seek(player, 10.0f + 3.04f);  // snaps to 3.0 s
  settle(player);
  EXPECT_FLOAT_EQ(player.currentFrameTime, 3.0f);
  EXPECT_EQ(d.repositionCount, 0) << "a hop of 3 s forward decodes on";
  EXPECT_EQ(DisplayImage(player)->rgba, painted(pan, 30));

  const uint64_t serial = DisplayImage(player)->serial;
  Seek(player, 13.0f);
  EXPECT_EQ(DisplayImage(player)->serial, serial) << "the same frame again does nothing";
  EXPECT_EQ(d.repositionCount, 0);

  Seek(player, 10.0f + 9.5f);  // 6.5 s ahead: reposition
  settle(player);
  EXPECT_EQ(d.repositionCount, 1);
  EXPECT_FLOAT_EQ(player.currentFrameTime, 9.5f);
  EXPECT_EQ(DisplayImage(player)->rgba, painted(pan, 95));

  Seek(player, 10.0f + 1.2f);  // backwards: reposition
  settle(player);
  EXPECT_EQ(d.repositionCount, 2);
  EXPECT_TRUE(d.seekBackward);
  EXPECT_EQ(DisplayImage(player)->rgba, painted(pan, 12));
  EXPECT_FLOAT_EQ(Tick(player), 11.2f) << "Tick reports the timeline time";

  Seek(player, 100.0f);  // clamped to the end
  settle(player);
  EXPECT_NEAR(player.currentFrameTime, 9.9f, 1e-4);
}

TEST(VideoPlayer, PlaybackAdvancesWithTheClockAndStopsAtTheEnd) {
  test::TempDir dir;
  const std::string clip = test::MakeClip(dir, "short.mkv", test::LosslessSpec(0.6, tools::HorizontalPan(2)));
  VideoPlayer player;
  ASSERT_TRUE(LoadVideo(player, clip));
  Play(player);
  float last = player.currentFrameTime;
  const double start = NowSeconds();
  while (player.decoder->playing && NowSeconds() - start < 5.0) {
    const float shown = Tick(player);
    EXPECT_GE(shown, last) << "playback never runs backwards";
    last = shown;
  }
  EXPECT_FALSE(player.decoder->playing);
  EXPECT_NEAR(player.currentFrameTime, 0.5f, 1e-4);
  EXPECT_GE(NowSeconds() - start, 0.45) << "frames follow the clock, not the decoder's speed";
}

}  // namespace
}  // namespace vn
