#include <chrono>
#include <cstdlib>

#include "builder/build_run.h"
#include "builder/candidates.h"
#include "builder/layering.h"
#include "platform/log.h"
#include "render/bus_balance.h"
#include "render/cache_integrity.h"
#include "render/render_pipeline.h"
#include "render/stream_layer.h"

namespace vn {

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// The Libraries of the process. A build holds their mutex from its first event
// to its last (the build keeps pointers into their records); streaming only
// takes it for a moment when it needs a record.
struct LibraryAccess {
  LibraryList* list = nullptr;
  std::unique_lock<std::mutex> lock;
  std::vector<const Library*> view;

  void hold() {
    if (!list || lock.owns_lock()) return;
    lock = std::unique_lock(list->mutex);
    for (const Library& l : list->libraries) view.push_back(&l);
  }
  void release() {
    view.clear();
    if (lock.owns_lock()) lock.unlock();
  }
  // Band shares of the layer's source from its Library record, when the build
  // did not leave them on the layer (a project read from disk).
  void fillBandShares(Layer& layer) {
    float total = 0.0f;
    for (float v : layer.bandShares) total += v;
    if (total > 1e-6f || !list) return;
    const bool held = lock.owns_lock();
    if (!held) hold();
    if (const LibraryRecord* r = findLibraryRecord(view, layer.fileId, layer.filepath)) layer.bandShares = r->bandShare;
    if (!held) release();
  }
};

struct JobContext {
  RenderPipeline& p;
  Session& session;
  LibraryAccess libraries;
  std::vector<float> eventGains;
  StreamInputs inputs;

  JobContext(RenderPipeline& pipeline, bool keepPitch)
      : p(pipeline), session(*pipeline.session) {
    libraries.list = pipeline.libraries;
    refreshEventGains();
    inputs.sources = &p.sources;
    inputs.sampleRate = session.settings.projectSampleRate;
    inputs.events = &session.events;
    inputs.eventGains = &eventGains;
    inputs.settings = &session.settings;
    inputs.keepPitch = keepPitch;
    std::lock_guard lock(p.cache.mutex);
    if (p.cache.sampleRate != inputs.sampleRate) {
      // Blocks at another rate cannot be mixed with new ones.
      p.cache.blocks.clear();
      p.cache.fadeIns.clear();
      p.cache.fadeOuts.clear();
      p.cache.count.store(0);
      p.cache.sampleRate = inputs.sampleRate;
    }
  }

  void refreshEventGains() {
    eventGains.clear();
    for (const Event& e : session.events) eventGains.push_back(e.gain);
  }

  // Holds the Libraries until endBuild.
  BuildRun buildRun() {
    libraries.hold();
    syncLayerIds(p.engine, session);
    const int64_t now = p.options.nowSeconds >= 0 ? p.options.nowSeconds : currentSeconds();
    return BuildRun(session, libraries.view, p.engine, p.options.seed, now);
  }

  void endBuild() { libraries.release(); }

  // Renders the layer at idx from a copy, so the layer list is locked only to
  // take the copy and to write back what streaming changed in the layer.
  std::optional<RenderedBlock> render(size_t idx, std::pair<float, float>& fades) {
    Layer copy;
    {
      std::lock_guard lock(p.layerListMutex);
      if (idx >= session.results.size()) return std::nullopt;
      copy = session.results[idx];
    }
    libraries.fillBandShares(copy);
    auto block = renderLayer(copy, static_cast<int>(idx), inputs);
    std::lock_guard lock(p.layerListMutex);
    if (idx < session.results.size() && session.results[idx].id == copy.id) {
      Layer& l = session.results[idx];
      l.pitchShift = copy.pitchShift;
      l.tuneShift = copy.tuneShift;
      l.sourcePitchHz = copy.sourcePitchHz;
      l.sourceMidi = copy.sourceMidi;
      l.sourceCents = copy.sourceCents;
      l.sourcePitchConfidence = copy.sourcePitchConfidence;
      l.sourceMissing = copy.sourceMissing;
      l.unresolved = copy.unresolved;
      l.bandShares = copy.bandShares;
    }
    fades = {copy.fadeIn, copy.fadeOut};
    return block;
  }

  // countLayers: progress counts the layers streamed (a cache rebuild).
  void stream(RenderCache& target, size_t from, size_t to, bool countLayers = false) {
    for (size_t i = from; i < to; ++i) {
      if (p.cancel.load()) break;
      std::pair<float, float> fades;
      if (auto block = render(i, fades)) appendBlock(target, std::move(*block), fades.first, fades.second);
      if (countLayers) p.progressDone.fetch_add(1);
    }
  }

  // Every layer into a fresh cache, swapped in whole so playback never hears a
  // half-built one; then bus balancing and gain staging.
  void rebuild(bool countLayers = false) {
    RenderCache fresh;
    fresh.sampleRate = inputs.sampleRate;
    if (countLayers) {
      p.progressTotal.store(static_cast<int>(session.results.size()));
      p.progressDone.store(0);
    }
    stream(fresh, 0, session.results.size(), countLayers);
    {
      std::lock_guard lock(p.cache.mutex);
      p.cache.blocks.swap(fresh.blocks);
      p.cache.fadeIns.swap(fresh.fadeIns);
      p.cache.fadeOuts.swap(fresh.fadeOuts);
      p.cache.sampleRate = inputs.sampleRate;
      p.cache.count.store(static_cast<int>(p.cache.blocks.size()));
    }
    balanceBusses(p.cache, session);
  }

  void restreamEvent(int eventIdx) {
    std::vector<RenderedBlock> blocks;
    std::vector<std::pair<float, float>> fades;
    for (size_t i = 0; i < session.results.size(); ++i) {
      if (session.results[i].eventIdx != eventIdx) continue;
      std::pair<float, float> f;
      if (auto block = render(i, f)) {
        blocks.push_back(std::move(*block));
        fades.push_back(f);
      }
    }
    replaceEventBlocks(p.cache, eventIdx, std::move(blocks), fades);
  }

  // Removes the event's layers; blocks of later layers follow them down and the
  // event's own blocks are marked for replacement.
  void removeEventLayers(int eventIdx) {
    std::vector<int> newIndex(session.results.size(), -1);
    std::vector<Layer> kept;
    kept.reserve(session.results.size());
    for (size_t i = 0; i < session.results.size(); ++i) {
      if (session.results[i].eventIdx == eventIdx) continue;
      newIndex[i] = static_cast<int>(kept.size());
      kept.push_back(std::move(session.results[i]));
    }
    session.results = std::move(kept);
    std::lock_guard lock(p.cache.mutex);
    for (RenderedBlock& b : p.cache.blocks) {
      b.layerIdx = b.layerIdx >= 0 && b.layerIdx < static_cast<int>(newIndex.size()) ? newIndex[b.layerIdx] : -1;
    }
  }

  void buildOne(BuildRun& run, int eventIdx) {
    std::lock_guard lock(p.layerListMutex);
    buildEvent(run, eventIdx, -1.0);
  }

  void postProcess() {
    {
      std::lock_guard lock(p.layerListMutex);
      if (p.options.protectSilence) protectSilence(session);
      duckDensity(session);
      staggerAndDeconflict(session);
      if (p.options.destructiveEQ) carveSpectrum(session);
      std::lock_guard layoutLock(p.layoutMutex);
      rerouteAndRepack(session, p.layout);
    }
    p.layout.busTracks = busTrackCounts(session.results);
  }

  void finish() {
    double end = 0.0;
    {
      std::lock_guard lock(p.cache.mutex);
      for (const auto& b : p.cache.blocks) end = std::max(end, static_cast<double>(blockEnd(b)));
    }
    p.sessionLengthSamples.exchange(static_cast<int64_t>(end * inputs.sampleRate));
    p.cache.ready.store(true);
  }
};

bool outsideRange(const Event& e, float s, float end) {
  const bool active = s >= 0.0f && end > s;
  return active && (s >= e.time + e.duration || e.time >= end);
}

bool validEvent(const Session& session, int idx) { return idx >= 0 && idx < static_cast<int>(session.events.size()); }

}  // namespace

void FullRender(RenderPipeline& p, float rangeStart, float rangeEnd) {
  const bool singlePass = std::getenv("VN_SINGLE_PASS") != nullptr;
  const bool timing = std::getenv("VN_RENDER_TIMING") != nullptr;
  const auto t0 = Clock::now();
  JobContext job(p, false);
  Session& s = job.session;

  {
    std::lock_guard lock(p.layerListMutex);
    std::vector<Layer> kept;
    for (Layer& l : s.results) {
      if (!validEvent(s, l.eventIdx)) continue;
      const Event& e = s.events[l.eventIdx];
      if (e.locked || outsideRange(e, rangeStart, rangeEnd)) kept.push_back(std::move(l));
    }
    s.results.clear();
    s.results.reserve(48 * s.events.size() + 128);
    for (Layer& l : kept) s.results.push_back(std::move(l));
  }
  clearCache(p.cache);
  for (const Event& e : s.events) {
    if (e.shape != ShapeType::Clip) continue;
    if (!e.pinnedFile.empty()) forgetSource(p.sources, e.pinnedFile);
    for (const std::string& f : e.pinnedFiles) forgetSource(p.sources, f);
  }
  if (!singlePass) job.stream(p.cache, 0, s.results.size());

  int total = 0;
  for (const Event& e : s.events) total += !e.locked && !outsideRange(e, rangeStart, rangeEnd);
  p.progressTotal.store(total);
  p.progressDone.store(0);
  BuildRun run = job.buildRun();
  for (int i = 0; i < static_cast<int>(s.events.size()); ++i) {
    if (p.cancel.load()) break;
    if (s.events[i].locked || outsideRange(s.events[i], rangeStart, rangeEnd)) continue;
    const size_t before = s.results.size();
    job.buildOne(run, i);
    p.progressDone.fetch_add(1);
    if (!singlePass) job.stream(p.cache, before, s.results.size());
  }
  job.endBuild();
  const double streamMs = msSince(t0);

  const auto t1 = Clock::now();
  job.postProcess();
  const double postMs = msSince(t1);

  const auto t2 = Clock::now();
  p.cancel.store(false);
  job.rebuild();
  const double rebuildMs = msSince(t2);
  if (timing) {
    logErrLine("[RenderTiming] %-11s | stream(render%s)=%.0fms  postproc=%.0fms  rebuild=%.0fms  TOTAL=%.0fms  (%d "
               "blocks)\n",
               singlePass ? "SINGLE-PASS" : "double-pass", singlePass ? "" : "+cache", streamMs, postMs, rebuildMs,
               msSince(t0), static_cast<int>(s.results.size()));
  }
  job.finish();
}

void rebuildCache(RenderPipeline& p, bool keepPitch) {
  JobContext job(p, keepPitch);
  job.rebuild(true);
  job.finish();
}

void runRenderJob(RenderPipeline& p, const RenderJob& r) {
  if (r.kind == kJobIncremental && !r.events.empty()) {
    const auto t0 = Clock::now();
    JobContext job(p, false);
    Session& s = job.session;
    p.progressTotal.store(static_cast<int>(r.events.size()));
    p.progressDone.store(0);
    BuildRun run = job.buildRun();
    std::vector<int> rebuilt;
    for (int idx : r.events) {
      if (!validEvent(s, idx)) continue;
      {
        std::lock_guard lock(p.layerListMutex);
        s.events[idx].locked = false;
        job.removeEventLayers(idx);
      }
      job.buildOne(run, idx);
      rebuilt.push_back(idx);
      p.progressDone.fetch_add(1);
    }
    job.endBuild();
    job.postProcess();
    for (int idx : rebuilt) job.restreamEvent(idx);
    checkCacheIntegrity(p.cache, s.results, s.events.size(), p.rebuildDeferred);
    balanceBusses(p.cache, s);
    if (std::getenv("VN_RENDER_TIMING"))
      logErrLine("[RenderTiming] INCREMENTAL | %d event(s) re-rendered, %d total blocks, TOTAL=%.0fms\n",
                 static_cast<int>(rebuilt.size()), p.cache.count.load(), msSince(t0));
    job.finish();
  } else if (r.fullRender) {
    FullRender(p, r.rangeStart, r.rangeEnd);
  } else {
    JobContext job(p, false);
    Session& s = job.session;
    BuildRun run = job.buildRun();
    if (r.kind == kJobOneEvent) {
      if (validEvent(s, r.eventIdx)) {
        p.progressTotal.store(1);
        {
          std::lock_guard lock(p.layerListMutex);
          job.removeEventLayers(r.eventIdx);
        }
        job.buildOne(run, r.eventIdx);
        p.progressDone.store(1);
        job.endBuild();
        job.postProcess();
        job.restreamEvent(r.eventIdx);
        checkCacheIntegrity(p.cache, s.results, s.events.size(), p.rebuildDeferred);
        balanceBusses(p.cache, s);
      }
    } else {
      // Every unlocked event whose time lies in the range (ends included).
      const bool ranged = r.rangeStart >= 0.0f && r.rangeEnd > r.rangeStart;
      auto wanted = [&](const Event& e) {
        return !e.locked && (!ranged || (e.time >= r.rangeStart && e.time <= r.rangeEnd));
      };
      {
        std::lock_guard lock(p.layerListMutex);
        std::erase_if(s.results, [&](const Layer& l) { return validEvent(s, l.eventIdx) && wanted(s.events[l.eventIdx]); });
      }
      clearCache(p.cache);
      int total = 0;
      for (const Event& e : s.events) total += wanted(e);
      p.progressTotal.store(total);
      p.progressDone.store(0);
      for (int i = 0; i < static_cast<int>(s.events.size()); ++i) {
        if (p.cancel.load()) break;
        if (!wanted(s.events[i])) continue;
        job.buildOne(run, i);
        p.progressDone.fetch_add(1);
      }
      job.endBuild();
      job.postProcess();
      p.cancel.store(false);
      job.rebuild();
    }
    job.finish();
  }
}

}  // namespace vn
