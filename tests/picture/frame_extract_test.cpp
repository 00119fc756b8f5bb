#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "clip_fixture.h"
#include "picture/frame_extract.h"
#include "tools/test_video_scenes.h"

namespace vn {
namespace {

struct Delivery {
  int index;
  float time;
  int sourceFrame;  // which painted frame the pixels equal, -1 for none
  int width;
  int height;
};

// Reads every analysis frame of a lossless pan clip at `fps` and names the
// source frame each delivered picture is.
std::vector<Delivery> extractPan(int fps, double seconds, int maxWidth, int stopAfter = -1) {
  test::TempDir dir;
  const tools::FramePainter pan = tools::HorizontalPan(3);
  tools::TestVideoSpec clipSpec = test::LosslessSpec(seconds, pan);
  clipSpec.fps = fps;
  VideoPlayer player;
  EXPECT_TRUE(LoadVideo(player, test::MakeClip(dir, "clip.mkv", clipSpec)));
  const int sourceFrames = static_cast<int>(std::lround(seconds * fps));
  std::vector<std::vector<uint8_t>> painted(sourceFrames, std::vector<uint8_t>(160 * 90 * 4));
  for (int k = 0; k < sourceFrames; ++k) pan(k, painted[k].data(), 160, 90);
  std::vector<Delivery> out;
  int calls = 0;
  ExtractFrames(
      player, 10.0f, maxWidth,
      [&](int index, float time, const uint8_t* rgba, int width, int height) {
        int source = -1;
        for (int k = 0; k < sourceFrames && width == 160; ++k)
          if (std::equal(painted[k].begin(), painted[k].end(), rgba)) source = k;
        out.push_back({index, time, source, width, height});
      },
      [&](float) { return ++calls == stopAfter ? -1.0f : 0.0f; });
  return out;
}

TEST(ExtractFrames, FasterVideoGivesTheFrameAtEachAnalysisStep) {
  const std::vector<Delivery> got = extractPan(12, 2.0, 0);
  ASSERT_EQ(got.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(got[i].index, i);
    EXPECT_FLOAT_EQ(got[i].time, i * 0.1f);
    // The first source frame whose time reaches the step less half a source frame.
    const int expected = static_cast<int>(std::ceil((i * 0.1 - 0.5 / 12.0) * 12.0 - 1e-3));
    EXPECT_EQ(got[i].sourceFrame, std::max(0, expected)) << "step " << i;
  }
}

TEST(ExtractFrames, SlowerVideoRepeatsFramesAndSkipsNoIndex) {
  const std::vector<Delivery> got = extractPan(4, 2.0, 0);
  ASSERT_EQ(got.size(), 20u);
  std::map<int, int> uses;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(got[i].index, i);
    ASSERT_GE(got[i].sourceFrame, 0);
    if (i > 0) {
      EXPECT_GE(got[i].sourceFrame, got[i - 1].sourceFrame);
    }
    ++uses[got[i].sourceFrame];
  }
  EXPECT_EQ(uses.size(), 8u) << "every source frame is shown";
  for (const auto& [frame, n] : uses) EXPECT_TRUE(n == 2 || n == 3) << frame;
}

TEST(ExtractFrames, ScalesDownAndStopsWhenCancelled) {
  const std::vector<Delivery> small = extractPan(10, 1.0, 80);
  ASSERT_EQ(small.size(), 10u);
  EXPECT_EQ(small[0].width, 80);
  EXPECT_EQ(small[0].height, 45);
  EXPECT_EQ(extractPan(10, 2.0, 0, 3).size(), 3u);

  VideoPlayer closed;
  EXPECT_EQ(ExtractFrames(closed, 10.0f, 160, [](int, float, const uint8_t*, int, int) {}, {}), 0);
}

}  // namespace
}  // namespace vn
