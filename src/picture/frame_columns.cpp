// The first stage of the post pass: impact, flow, composite, shots and the two
// adaptive thresholds of every frame.
#include <algorithm>
#include <cmath>

#include "picture/column_stats.h"
#include "picture/trace_analyzer.h"

namespace vn {
namespace {

constexpr int kMinFramesForEvents = 5;

float normaliserOf(const std::vector<FrameMeasures>& frames, float FrameMeasures::*field) {
  float top = 0.0f;
  for (const FrameMeasures& f : frames) top = std::max(top, f.*field);
  return top > 0.001f ? 1.0f / top : 1.0f;
}

void computeComposite(TraceAnalyzer& a, const std::vector<float>& mn) {
  std::vector<FrameMeasures>& frames = a.frames;
  const size_t n = frames.size();
  if (!a.model.valid) {
    const float peakNorm = normaliserOf(frames, &FrameMeasures::localMotionPeak);
    for (size_t i = 0; i < n; ++i) {
      FrameMeasures& f = frames[i];
      // Motion counts for more when it is concentrated in a few cells.
      const float focus = 0.7f * f.foregroundMass + 0.3f;
      f.composite = 0.26f * focus * f.flow + 0.32f * f.impact + 0.14f * f.histogramDiff + 0.13f * focus * mn[i] +
                    0.15f * focus * (f.localMotionPeak * peakNorm);
    }
    return;
  }
  const auto& w = a.model.w;
  double mean = 0.0;
  for (size_t i = 0; i < n; ++i) {
    FrameMeasures& f = frames[i];
    f.composite = w[0] * f.impact + w[1] * f.flow + w[2] * std::fabs(f.brightnessDelta) + w[3] * f.histogramDiff +
                  w[4] * mn[i];
    mean += f.composite;
  }
  mean /= static_cast<double>(n);
  if (a.model.defaultCompositeMean > 0.001f && mean > 0.001) {
    const float scale = static_cast<float>(a.model.defaultCompositeMean / mean);
    for (FrameMeasures& f : frames) f.composite *= scale;
  }
}

}  // namespace

bool FinishFrameColumns(TraceAnalyzer& a, const TraceParams& params) {
  const int n = a.framesProcessed.load(std::memory_order_acquire);
  a.frames.resize(static_cast<size_t>(std::max(0, n)));
  if (n < kMinFramesForEvents) {
    a.numFrames = n;
    a.events.clear();
    a.ready.store(true, std::memory_order_release);
    return false;
  }
  std::vector<FrameMeasures>& frames = a.frames;
  const float fps = a.analysisFps;
  const float motionNorm = normaliserOf(frames, &FrameMeasures::motion);
  std::vector<float> mn(n);
  for (int i = 0; i < n; ++i) mn[i] = frames[i].motion * motionNorm;
  std::vector<float> flow(n);
  for (int i = 0; i < n; ++i) {
    const float accel = i > 0 && i < n - 1 ? std::max(0.0f, mn[i] - (mn[i - 1] + mn[i + 1]) / 2.0f) : 0.0f;
    frames[i].impact =
        std::max({2.0f * accel, 3.0f * std::fabs(frames[i].brightnessDelta), 2.0f * frames[i].histogramDiff});
    flow[i] = mn[i];
  }
  flow = MovingAverage(flow, std::max(1, static_cast<int>(fps * 0.25f)));
  for (int i = 0; i < n; ++i) frames[i].flow = flow[i];

  computeComposite(a, mn);
  const std::vector<float> smoothed = MovingAverage(ColumnOf(frames, &FrameMeasures::composite), 1);
  for (int i = 0; i < n; ++i) frames[i].composite = smoothed[i];

  const ShotCuts shots = ComputeShots(ColumnOf(frames, &FrameMeasures::histogramDiff));
  const int window = std::max(5, static_cast<int>(params.adaptiveWindowSec * fps));
  const std::vector<RobustWindow> stats = RobustWindows(smoothed, shots, std::max(2, window / 2));
  for (int i = 0; i < n; ++i) {
    frames[i].adaptiveThr = ThresholdFrom(stats[i], 1.2f, 0.006f, 0.05f);
    frames[i].accentThr = ThresholdFrom(stats[i], 1.6f, 0.012f, 0.05f);
  }
  return true;
}

}  // namespace vn
