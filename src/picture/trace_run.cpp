// The picture read as a background job: frames, post pass, trace file.
#include <algorithm>

#include "picture/frame_extract.h"
#include "picture/trace_analyzer.h"
#include "picture/trace_file.h"

namespace vn {

TraceAnalyzer::~TraceAnalyzer() {
  StopTrace(*this);
  JoinTrace(*this);
}

void ResetTrace(TraceAnalyzer& a, float duration) {
  a.ready.store(false);
  a.framesProcessed.store(0);
  a.events.clear();
  a.maxComposite = 0.0f;
  a.numFrames = 0;
  a.durationSec = duration;
  a.analysisFps = kAnalysisFps;
  a.frames.assign(static_cast<size_t>(std::max(0.0f, duration * a.analysisFps)) + 2, FrameMeasures{});
  a.previous = PreviousFrame{};
  a.progress.store(0.0f);
  a.stopRequested.store(false);
}

void RunTrace(TraceAnalyzer& a, VideoPlayer& player, const TraceRun& run) {
  a.running.store(true);
  ExtractFrames(
      player, a.analysisFps, kAnalysisWidth,
      [&a](int index, float time, const uint8_t* rgba, int width, int height) {
        OnTraceFrame(a, index, time, rgba, width, height);
      },
      [&a](float fraction) {
        a.progress.store(fraction, std::memory_order_relaxed);
        return a.stopRequested.load() ? -1.0f : 0.0f;
      });
  if (!a.stopRequested.load()) {
    if (FinishFrameColumns(a, run.params)) DetectTraceEvents(a, run.params);
    if (!run.traceFilePath.empty()) WriteTraceFile(run.traceFilePath, a, run.params, run.source);
  }
  a.running.store(false);
}

void StartTrace(TraceAnalyzer& a, VideoPlayer& player, const TraceRun& run) {
  StopTrace(a);
  JoinTrace(a);
  ResetTrace(a, player.duration);
  a.running.store(true);
  a.worker = std::thread([&a, &player, run] { RunTrace(a, player, run); });
}

void StopTrace(TraceAnalyzer& a) { a.stopRequested.store(true); }

void JoinTrace(TraceAnalyzer& a) {
  if (a.worker.joinable()) a.worker.join();
}

}  // namespace vn
