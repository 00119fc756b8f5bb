#pragma once
// The render pipeline: one worker thread runs one job at a time (a full render,
// a build of one or all events, an incremental render of edited events, a
// cache rebuild, or another background task such as an export); a job posted
// while another runs is dropped. The interface thread posts jobs and reads
// progress, status and the flags; the audio callback reads the render cache.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "builder/engine_state.h"
#include "core/session.h"
#include "library/libraries.h"
#include "render/render_cache.h"
#include "render/source_audio.h"
#include "render/track_routing.h"

namespace vn {

// Job kinds carried by RenderJob::kind.
constexpr uint32_t kJobOneEvent = 3;
constexpr uint32_t kJobIncremental = 4;

struct RenderJob {
  uint32_t kind = 0;
  int eventIdx = -1;        // kind 3: the event; -1 with kind 0: every event
  std::vector<int> events;  // kind 4: the edited events
  float rangeStart = -1.0f;
  float rangeEnd = -1.0f;
  bool fullRender = false;
};

// Preferences that change what a render does.
struct RenderOptions {
  bool protectSilence = false;
  bool destructiveEQ = false;
  uint32_t seed = 0;         // build seed; the same seed within one second repeats a build
  int64_t nowSeconds = -1;   // -1: the clock
};

struct RenderPipeline {
  // Wiring, set before the first job.
  Session* session = nullptr;
  LibraryList* libraries = nullptr;  // held under its mutex while a job builds
  RenderOptions options;
  BuildEngineState engine;

  RenderCache cache;
  SourceCache sources;
  std::mutex layerListMutex;  // held while the worker changes the Session's results
  std::mutex layoutMutex;     // held during re-route and repack
  TrackLayoutState layout;

  std::atomic<int64_t> sessionLengthSamples{0};
  std::atomic<int> progressDone{0};
  std::atomic<int> progressTotal{0};
  std::atomic<bool> cancel{false};
  std::atomic<bool> jobDone{false};
  std::atomic<bool> rebuildDeferred{false};
  std::atomic<bool> busy{false};

  // Worker thread and its one-job slot.
  std::mutex jobMutex;
  std::condition_variable jobReady;
  std::function<void()> pending;
  std::string status;  // the running job's label (at most 63 characters), under jobMutex
  bool stopping = false;
  std::thread worker;
};

// Starts the worker thread. The pipeline must outlive it: call stopRenderWorker.
void startRenderWorker(RenderPipeline& pipeline);
void stopRenderWorker(RenderPipeline& pipeline);

// Posting returns false when another job is running (the job is dropped).
bool postRenderJob(RenderPipeline& pipeline, const RenderJob& job, const std::string& label);
// Re-streams every Layer into a fresh cache (no build). With keepPitch no
// layer is re-tuned and a failed read leaves no source-missing mark.
bool RebuildCacheAsync(RenderPipeline& pipeline, const std::string& reason, bool keepPitch);
// Any other background work (an export) under the same one-job rule.
bool postBackgroundTask(RenderPipeline& pipeline, const std::string& label, std::function<void()> task);
// Blocks until no job is running (command line and tests).
void waitForRenderJobs(RenderPipeline& pipeline);
// A background task's stage and progress for the status line (what renderStatusText
// and the progress counters then show).
void reportBackgroundProgress(RenderPipeline& pipeline, const std::string& label, int done, int total);
std::string renderStatusText(RenderPipeline& pipeline);

// The jobs themselves, run on the calling thread (the worker calls these).
void FullRender(RenderPipeline& pipeline, float rangeStart, float rangeEnd);
void runRenderJob(RenderPipeline& pipeline, const RenderJob& job);
void rebuildCache(RenderPipeline& pipeline, bool keepPitch);

}  // namespace vn
