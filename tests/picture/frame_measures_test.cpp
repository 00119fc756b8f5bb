#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "clip_fixture.h"
#include "picture/column_stats.h"
#include "picture/trace_analyzer.h"
#include "tools/test_video_scenes.h"

namespace vn {
namespace {

constexpr int kW = 160, kH = 90;

struct Frames {
  TraceAnalyzer a;
  explicit Frames(int count) { ResetTrace(a, count / 10.0f); }
  void feed(int k, const std::vector<uint8_t>& rgba, int w = kW, int h = kH) {
    OnTraceFrame(a, k, k / 10.0f, rgba.data(), w, h);
  }
  void feed(int k, const tools::FramePainter& paint) { feed(k, picture(paint, k)); }
  static std::vector<uint8_t> picture(const tools::FramePainter& paint, int k, int w = kW, int h = kH) {
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    paint(k, rgba.data(), w, h);
    return rgba;
  }
  const FrameMeasures& row(int k) const { return a.frames[k]; }
};

std::vector<uint8_t> uniform(uint8_t r, uint8_t g, uint8_t b, int w = kW, int h = kH) {
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = r, rgba[i + 1] = g, rgba[i + 2] = b, rgba[i + 3] = 255;
  return rgba;
}

TEST(FrameMeasures, ColourMeasuresOfAUniformPicture) {
  Frames f(3);
  f.feed(0, uniform(153, 102, 51));
  const double r = 0.6, g = 0.4, b = 0.2;
  const FrameMeasures& m = f.row(0);
  EXPECT_NEAR(m.brightness, 0.2126 * r + 0.7152 * g + 0.0722 * b, 1e-5);
  EXPECT_NEAR(m.saturation, (r - b) / r, 1e-5);
  EXPECT_NEAR(m.colorTemp, (r - b) / (0.5 * g + 0.3), 1e-5);
  // Nothing to compare the first frame with.
  EXPECT_EQ(m.motion, 0.0f);
  EXPECT_EQ(m.histogramDiff, 0.0f);
  EXPECT_EQ(m.brightnessDelta, 0.0f);
  EXPECT_EQ(f.a.framesProcessed.load(), 1);

  // A cool cast reads negative, and the clamp holds at -1.
  f.feed(1, uniform(0, 0, 255));
  EXPECT_FLOAT_EQ(f.row(1).colorTemp, -1.0f);
  EXPECT_NEAR(f.row(1).brightnessDelta, 0.0722 - f.row(0).brightness, 1e-5);
  // Every channel left its bins: the histogram change is complete.
  EXPECT_NEAR(f.row(1).histogramDiff, 1.0f, 1e-6);
}

TEST(FrameMeasures, StillPictureShowsNoChange) {
  Frames f(5);
  const tools::FramePainter still = tools::StillWithFlash(-1);
  for (int k = 0; k < 4; ++k) f.feed(k, still);
  for (int k = 1; k < 4; ++k) {
    EXPECT_EQ(f.row(k).motion, 0.0f);
    EXPECT_EQ(f.row(k).cameraMotion, 0.0f);
    EXPECT_EQ(f.row(k).histogramDiff, 0.0f);
    EXPECT_EQ(f.row(k).foregroundMass, 0.0f);
  }
}

TEST(FrameMeasures, PanIsMeasuredAsCameraShiftWithLittleMotionLeft) {
  Frames f(6);
  const tools::FramePainter pan = tools::HorizontalPan(5);
  for (int k = 0; k < 5; ++k) f.feed(k, pan);
  const float expected = 5.0f / (0.08f * std::sqrt(160.0f * 160.0f + 90.0f * 90.0f));
  for (int k = 1; k < 5; ++k) {
    EXPECT_NEAR(f.row(k).cameraMotion, expected, 1e-5);
    EXPECT_LT(f.row(k).motion, 0.002f);
  }
  // Without the compensation the same pan is a large change.
  const auto a = Frames::picture(pan, 3), b = Frames::picture(pan, 4);
  std::vector<float> colA(kW), colB(kW);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      colA[x] += a[(y * kW + x) * 4 + 1];
      colB[x] += b[(y * kW + x) * 4 + 1];
    }
  EXPECT_EQ(BestShift(colB, colA, 16), 5) << "what is now at x was at x + 5 before";
}

TEST(FrameMeasures, MotionInOneCellIsConcentratedMotionInEveryCellIsNot) {
  Frames corner(4);
  const tools::FramePainter paint = tools::CornerMotion();
  for (int k = 0; k < 3; ++k) corner.feed(k, paint);
  EXPECT_GT(corner.row(2).motion, 0.0f);
  EXPECT_FLOAT_EQ(corner.row(2).foregroundMass, 1.0f);
  EXPECT_FLOAT_EQ(corner.row(2).panX, -0.75f);
  EXPECT_FLOAT_EQ(corner.row(2).panY, -0.75f);
  EXPECT_FLOAT_EQ(corner.row(2).spatialSpread, 0.0f);
  // All of the change lies in one cell of 240 of the 3600 sampled pixels.
  EXPECT_NEAR(corner.row(2).localMotionPeak, corner.row(2).motion * 15.0f, 1e-6);

  // A uniform picture that darkens changes every cell alike.
  Frames all(3);
  all.feed(0, uniform(200, 200, 200));
  all.feed(1, uniform(100, 100, 100));
  EXPECT_GT(all.row(1).motion, 0.1f);
  EXPECT_NEAR(all.row(1).foregroundMass, 0.0f, 1e-6);
  EXPECT_NEAR(all.row(1).panX, 0.0f, 1e-6);
  EXPECT_GT(all.row(1).spatialSpread, 0.5f);
}

TEST(FrameMeasures, SizeChangeAndOutOfRangeFrames) {
  Frames f(4);
  f.feed(0, uniform(10, 10, 10));
  f.feed(1, uniform(250, 250, 250, 80, 45), 80, 45);  // a new size: no motion values, new reference
  EXPECT_EQ(f.row(1).motion, 0.0f);
  EXPECT_EQ(f.row(1).foregroundMass, 0.0f);
  EXPECT_GT(f.row(1).histogramDiff, 0.9f);
  f.feed(2, uniform(10, 10, 10, 80, 45), 80, 45);
  EXPECT_GT(f.row(2).motion, 0.0f);

  const int before = f.a.framesProcessed.load();
  const auto pixels = uniform(1, 2, 3);
  OnTraceFrame(f.a, -1, 0.0f, pixels.data(), kW, kH);
  OnTraceFrame(f.a, 1000, 0.0f, pixels.data(), kW, kH);
  EXPECT_EQ(f.a.framesProcessed.load(), before);
  OnTraceFrame(f.a, 3, 0.3f, nullptr, 0, 0);  // an empty frame only counts
  EXPECT_EQ(f.a.framesProcessed.load(), 4);
  EXPECT_FLOAT_EQ(f.row(3).time, 0.3f);
}

TEST(FrameMeasures, BestShiftFallbacksAndTies) {
  const std::vector<float> ramp{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(BestShift({}, {}, 3), 0);
  EXPECT_EQ(BestShift(ramp, std::vector<float>(9, 1.0f), 3), 0) << "lengths differ";
  EXPECT_EQ(BestShift(std::vector<float>(10, 2.0f), ramp, 3), 0) << "flat input";
  std::vector<float> bump(20, 0.0f), moved(20, 0.0f);
  bump[8] = 1, bump[9] = 3, bump[10] = 1;
  moved[11] = 1, moved[12] = 3, moved[13] = 1;
  EXPECT_EQ(BestShift(bump, moved, 4), 3);
  EXPECT_EQ(BestShift(moved, bump, 4), -3);
  // One bump against two mirrored ones: -2 and +2 score exactly alike, and the
  // most negative shift wins the tie.
  std::vector<float> one(16, 0.0f), two(16, 0.0f);
  one[8] = 1;
  two[6] = two[10] = 1;
  EXPECT_EQ(BestShift(one, two, 3), -2);
}

TEST(FrameMeasures, ShotCutsNeedARobustPeakAndSpacing) {
  std::vector<float> h(30, 0.01f);
  h[10] = 0.9f;
  h[12] = 0.8f;  // only two frames after the previous cut
  h[20] = 0.2f;  // below the 0.25 floor
  h[25] = 0.7f;
  const ShotCuts shots = ComputeShots(h);
  EXPECT_EQ(shots.cuts, (std::vector<int>{0, 10, 25, 30}));
  EXPECT_EQ(shots.shotStart[12], 10);
  EXPECT_EQ(shots.shotEnd[12], 24);
  EXPECT_EQ(shots.shotIndex[29], 2);
  EXPECT_EQ(ComputeShots({}).cuts, (std::vector<int>{0, 0}));

  std::vector<float> evenCount{4, 1, 3, 2};
  EXPECT_EQ(MedianOf(evenCount), 3.0f) << "the upper median";
}

TEST(FrameMeasures, FewerThanFiveFramesEndWithoutEvents) {
  TraceAnalyzer a;
  ResetTrace(a, 0.4f);
  const auto pixels = uniform(90, 90, 90);
  for (int k = 0; k < 4; ++k) OnTraceFrame(a, k, k / 10.0f, pixels.data(), kW, kH);
  EXPECT_FALSE(FinishFrameColumns(a, {}));
  EXPECT_TRUE(a.ready.load());
  EXPECT_EQ(a.numFrames, 4);
  EXPECT_TRUE(a.events.empty());
  EXPECT_EQ(a.frames.size(), 4u);
}

TEST(FrameMeasures, DerivedColumnsOfAHardCut) {
  TraceAnalyzer a;
  ResetTrace(a, 3.0f);
  const tools::FramePainter cut = tools::HardCut(15);
  for (int k = 0; k < 30; ++k) {
    const auto pixels = Frames::picture(cut, k);
    OnTraceFrame(a, k, k / 10.0f, pixels.data(), kW, kH);
  }
  ASSERT_TRUE(FinishFrameColumns(a, {}));
  EXPECT_NEAR(a.frames[15].histogramDiff, 1.0f, 1e-5);
  EXPECT_NEAR(a.frames[15].impact, 2.0f, 1e-4);
  EXPECT_EQ(a.frames[14].impact, 0.0f);
  // Thresholds stay within a shot: frames beside the cut see only their own side.
  EXPECT_FLOAT_EQ(a.frames[5].adaptiveThr, 0.006f);
  EXPECT_FLOAT_EQ(a.frames[5].accentThr, 0.012f);
  const ShotCuts shots = ComputeShots(ColumnOf(a.frames, &FrameMeasures::histogramDiff));
  EXPECT_EQ(shots.cuts, (std::vector<int>{0, 15, 30}));
  EXPECT_GT(a.frames[15].composite, a.frames[10].composite);
}

// The same pictures written to files and read back through the video reader: a
// lossless clip exactly, and an MPEG-4 clip at twice the size (so the reader
// scales it down to the analysis width) within the coding noise.
TEST(FrameMeasures, GeneratedClipsReadThroughTheVideoReader) {
  test::TempDir dir;
  const float expected = 5.0f / (0.08f * std::sqrt(160.0f * 160.0f + 90.0f * 90.0f));
  TraceAnalyzer pan;
  ASSERT_TRUE(test::ReadPictureOf(test::MakeClip(dir, "pan.mkv", test::LosslessSpec(1.5, tools::HorizontalPan(5))), pan));
  ASSERT_EQ(pan.numFrames, 15);
  for (int k = 1; k < 15; ++k) {
    EXPECT_NEAR(pan.frames[k].cameraMotion, expected, 1e-5) << k;
    EXPECT_LT(pan.frames[k].motion, 0.002f) << k;
  }

  tools::TestVideoSpec lossy = test::LosslessSpec(1.5, tools::HorizontalPan(10));
  lossy.codec = tools::TestVideoCodec::Mpeg4;
  lossy.mpeg4Quality = 2;
  lossy.width = 320;
  lossy.height = 180;
  TraceAnalyzer coded;
  ASSERT_TRUE(test::ReadPictureOf(test::MakeClip(dir, "pan.mp4", lossy), coded));
  ASSERT_EQ(coded.numFrames, 15);
  for (int k = 1; k < 15; ++k) EXPECT_NEAR(coded.frames[k].cameraMotion, expected, 1e-5) << k;

  TraceAnalyzer corner;
  ASSERT_TRUE(test::ReadPictureOf(test::MakeClip(dir, "corner.mkv", test::LosslessSpec(1.5, tools::CornerMotion())), corner));
  for (int k = 1; k < 15; ++k) {
    EXPECT_GT(corner.frames[k].motion, 0.0f) << k;
    EXPECT_EQ(corner.frames[k].cameraMotion, 0.0f) << k;
    EXPECT_FLOAT_EQ(corner.frames[k].foregroundMass, 1.0f) << k;
    EXPECT_FLOAT_EQ(corner.frames[k].panX, -0.75f) << k;
  }
}

}  // namespace
}  // namespace vn
