#include "render/render_pipeline.h"

namespace vn {

namespace {

constexpr size_t kStatusMax = 63;

void workerLoop(RenderPipeline& p) {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(p.jobMutex);
      p.jobReady.wait(lock, [&] { return p.pending || p.stopping; });
      if (!p.pending) return;
      task = std::move(p.pending);
      p.pending = nullptr;
    }
    task();
    {
      std::lock_guard lock(p.jobMutex);
      p.busy.store(false);
      p.jobDone.store(true);
    }
    p.jobReady.notify_all();
  }
}

}  // namespace

void startRenderWorker(RenderPipeline& p) {
  std::lock_guard lock(p.jobMutex);
  if (p.worker.joinable()) return;
  p.stopping = false;
  p.worker = std::thread(workerLoop, std::ref(p));
}

void stopRenderWorker(RenderPipeline& p) {
  {
    std::lock_guard lock(p.jobMutex);
    p.stopping = true;
    p.cancel.store(true);
  }
  p.jobReady.notify_all();
  if (p.worker.joinable()) p.worker.join();
}

bool postBackgroundTask(RenderPipeline& p, const std::string& label, std::function<void()> task) {
  {
    std::lock_guard lock(p.jobMutex);
    if (p.busy.load() || !p.worker.joinable()) return false;
    p.busy.store(true);
    p.pending = std::move(task);
    p.status = label.substr(0, kStatusMax);
    p.progressDone.store(0);
    p.progressTotal.store(0);
    p.cancel.store(false);
    p.jobDone.store(false);
  }
  p.jobReady.notify_all();
  return true;
}

bool postRenderJob(RenderPipeline& p, const RenderJob& job, const std::string& label) {
  return postBackgroundTask(p, label, [&p, job] { runRenderJob(p, job); });
}

bool RebuildCacheAsync(RenderPipeline& p, const std::string& reason, bool keepPitch) {
  return postBackgroundTask(p, reason, [&p, keepPitch] {
    p.rebuildDeferred.store(false);
    rebuildCache(p, keepPitch);
  });
}

void waitForRenderJobs(RenderPipeline& p) {
  std::unique_lock lock(p.jobMutex);
  p.jobReady.wait(lock, [&] { return !p.busy.load(); });
}

void reportBackgroundProgress(RenderPipeline& p, const std::string& label, int done, int total) {
  {
    std::lock_guard lock(p.jobMutex);
    p.status = label.substr(0, kStatusMax);
  }
  p.progressTotal.store(total);
  p.progressDone.store(done);
}

std::string renderStatusText(RenderPipeline& p) {
  std::lock_guard lock(p.jobMutex);
  return p.status;
}

}  // namespace vn
