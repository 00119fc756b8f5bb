#pragma once
// Reading the picture (the Trace): frames arrive from the video on the analysis
// thread and fill pre-sized rows that the interface may read while it runs; a
// post pass then derives columns and proposes events.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "picture/trace_types.h"

namespace vn {

struct VideoPlayer;

// What the measures of the next frame compare against.
struct PreviousFrame {
  bool present = false;
  bool hasHistogram = false;
  int width = 0;
  int height = 0;
  std::array<float, 24> histogram{};
  std::vector<float> columnSums;
  std::vector<float> rowSums;
  // Per pixel: log luma and the two colour differences the change measure uses.
  std::vector<float> logLuma;
  std::vector<float> redMinusGreen;
  std::vector<float> blueMinusGreen;
};

struct TraceAnalyzer {
  // Rows 0 .. framesProcessed - 1 are complete (stored with release order).
  std::atomic<int> framesProcessed{0};
  std::atomic<bool> ready{false};  // the post pass has finished
  float durationSec = 0.0f;
  float analysisFps = 10.0f;
  int numFrames = 0;
  float maxComposite = 0.0f;
  std::vector<FrameMeasures> frames;
  std::vector<TraceEvent> events;
  TrainedModel model;
  PreviousFrame previous;

  // The running read.
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> running{false};
  std::atomic<float> progress{0.0f};
  std::thread worker;

  TraceAnalyzer() = default;
  TraceAnalyzer(const TraceAnalyzer&) = delete;
  TraceAnalyzer& operator=(const TraceAnalyzer&) = delete;
  ~TraceAnalyzer();
};

// Where the finished read is written as a trace file, and what it says of its source.
struct TraceSource {
  std::string path;        // the video file
  std::string appVersion;
  float sourceFps = 25.0f;  // the project frame rate
  float tcStartSec = 0.0f;  // the project's start timecode plus the video offset
  int width = 0;
  int height = 0;
};

struct TraceRun {
  TraceParams params;
  std::string traceFilePath;  // empty: no trace file
  TraceSource source;
};

constexpr float kAnalysisFps = 10.0f;
constexpr int kAnalysisWidth = 160;

// Clears everything for a new read of a video of `duration` seconds.
void ResetTrace(TraceAnalyzer& analyzer, float duration);
// Resets, then reads the picture on the analysis thread: frames, post pass and
// trace file. The player must stay open until the run ends.
void StartTrace(TraceAnalyzer& analyzer, VideoPlayer& player, const TraceRun& run);
// The running extraction ends at its next progress call; the post pass is skipped.
void StopTrace(TraceAnalyzer& analyzer);
// Waits for the analysis thread to end.
void JoinTrace(TraceAnalyzer& analyzer);
// The work of the analysis thread, run on the calling thread.
void RunTrace(TraceAnalyzer& analyzer, VideoPlayer& player, const TraceRun& run);

// The measures of one frame (index k, RGBA pixels w x h).
void OnTraceFrame(TraceAnalyzer& analyzer, int k, float time, const uint8_t* rgba, int width, int height);

// The integer shift d in [-s, s] that best correlates a[i] with b[i + d].
int BestShift(const std::vector<float>& a, const std::vector<float>& b, int s);

// Derived columns, shots and thresholds. False when there are too few frames for
// events (the analyzer is then finished, with none).
bool FinishFrameColumns(TraceAnalyzer& analyzer, const TraceParams& params);
// Proposes the events from the finished columns and marks the analyzer ready.
void DetectTraceEvents(TraceAnalyzer& analyzer, const TraceParams& params);

// The frame index of a position in frames (truncated), clamped to 0 .. n - 1;
// safe for any float, including damaged ones.
int FrameIndexAt(double position, int n);

// count values of the composite over [start, end] seconds, interpolated between frames.
void SampleComposite(const TraceAnalyzer& analyzer, float start, float end, float* out, int count);
// The same, normalised to 0..1 (0.5 throughout when it is flat).
void BuildCurveFromTrace(const TraceAnalyzer& analyzer, float start, float end, float* out, int count);

}  // namespace vn
