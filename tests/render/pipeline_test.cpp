#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <thread>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "render/cache_integrity.h"
#include "render/render_pipeline.h"
#include "support/temp_dir.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

using test::LogCapture;

// A small library of three synthesised sounds and a session of three events.
struct PipelineFixture : ::testing::Test {
  test::TempDir dir;
  LibraryList libraries;
  Session session;
  RenderPipeline pipeline;

  void SetUp() override {
    Library lib;
    lib.name = "Test";
    lib.folder = dir.path();
    const double freqs[3] = {220.0, 660.0, 1760.0};
    for (int k = 0; k < 3; ++k) {
      std::vector<float> x(96000);
      for (size_t i = 0; i < x.size(); ++i)
        x[i] = 0.4f * std::exp(-double(i) / 30000.0) * std::sin(2.0 * std::numbers::pi * freqs[k] * i / 48000.0);
      const std::string path = dir.file("s" + std::to_string(k) + ".wav");
      tools::SoundFileSpec fileSpec;
      fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
      std::string error;
      ASSERT_TRUE(tools::WriteSoundFile(path, fileSpec, {x}, error)) << error;
      LibraryRecord r;
      r.path = path;
      r.name = "hit " + std::to_string(k);
      r.keywords = "hit";
      r.duration = 2.0f;
      r.sampleRate = 48000;
      r.channels = 1;
      r.bitDepth = 24;
      r.bandShare = {k == 0 ? 1.0f : 0.2f, k == 1 ? 1.0f : 0.3f, k == 2 ? 1.0f : 0.2f, 0.1f, 0.05f};
      r.rmsDb = -14.0f;
      r.peakPosition = 0.0f;
      r.onsetPosition = 0.0f;
      r.attackTime = 0.002f;
      lib.records.push_back(r);
    }
    libraries.libraries.push_back(lib);

    Event spot;
    spot.time = 1.0f;
    spot.duration = 1.0f;
    session.events.push_back(spot);
    Event locked = spot;
    locked.time = 4.0f;
    locked.locked = true;
    session.events.push_back(locked);
    Event bloom;
    bloom.shape = ShapeType::Bloom;
    bloom.time = 7.0f;
    bloom.duration = 2.0f;
    session.events.push_back(bloom);
    Layer kept;
    kept.id = 500;
    kept.name = "kept";
    kept.filepath = libraries.libraries[0].records[0].path;
    kept.eventIdx = 1;
    kept.startTime = 4.0f;
    kept.duration = 1.0f;
    kept.sourceDuration = 1.0f;
    kept.group = 1;
    session.results.push_back(kept);

    pipeline.session = &session;
    pipeline.libraries = &libraries;
    pipeline.options.seed = 7;
    pipeline.options.nowSeconds = 1000;
  }

  std::set<uint32_t> idsOfEvent(int e) const {
    std::set<uint32_t> ids;
    for (const Layer& l : session.results)
      if (l.eventIdx == e) ids.insert(l.id);
    return ids;
  }
};

TEST_F(PipelineFixture, FullRenderKeepsLockedEventsAndRendersEveryLayer) {
  LogCapture log;
  FullRender(pipeline, -1.0f, -1.0f);
  EXPECT_EQ(idsOfEvent(1), std::set<uint32_t>{500});
  EXPECT_FALSE(idsOfEvent(0).empty());
  EXPECT_FALSE(idsOfEvent(2).empty());
  EXPECT_EQ(pipeline.cache.count.load(), static_cast<int>(session.results.size()));
  EXPECT_TRUE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
  EXPECT_EQ(log.countStarting("[Cache]"), 0);
  EXPECT_TRUE(pipeline.cache.ready.load());
  EXPECT_GT(pipeline.cache.generation.load(), 0u);
  double end = 0;
  for (const auto& b : pipeline.cache.blocks) end = std::max(end, double(blockEnd(b)));
  EXPECT_EQ(pipeline.sessionLengthSamples.load(), static_cast<int64_t>(end * 48000));
  EXPECT_EQ(pipeline.progressTotal.load(), 2);
  EXPECT_EQ(pipeline.progressDone.load(), 2);
  // Every layer got a track, and the blocks are staged below the ceiling.
  for (const Layer& l : session.results) EXPECT_GE(l.track, 0);
  for (const auto& b : pipeline.cache.blocks) EXPECT_LE(b.mixGain, b.baseGain + 1e-6f);

  // A range rebuilds only what overlaps it.
  const auto before = idsOfEvent(0), bloomBefore = idsOfEvent(2);
  FullRender(pipeline, 6.5f, 10.0f);
  EXPECT_EQ(idsOfEvent(0), before);
  EXPECT_EQ(idsOfEvent(1), std::set<uint32_t>{500});
  for (uint32_t id : idsOfEvent(2)) EXPECT_FALSE(bloomBefore.count(id));
  EXPECT_TRUE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
}

TEST_F(PipelineFixture, IncrementalRenderUnlocksAndReplacesOnlyItsEvents) {
  FullRender(pipeline, -1.0f, -1.0f);
  const auto first = idsOfEvent(0);
  RenderJob job;
  job.kind = kJobIncremental;
  job.events = {1};
  LogCapture log;
  setenv("VN_RENDER_TIMING", "1", 1);
  runRenderJob(pipeline, job);
  unsetenv("VN_RENDER_TIMING");
  ASSERT_EQ(log.err.size(), 1u);
  EXPECT_EQ(log.err[0].rfind(format("[RenderTiming] INCREMENTAL | 1 event(s) re-rendered, %d total blocks, TOTAL=",
                                    pipeline.cache.count.load()),
                             0),
            0u)
      << log.err[0];
  EXPECT_FALSE(session.events[1].locked);
  EXPECT_FALSE(idsOfEvent(1).count(500));
  EXPECT_FALSE(idsOfEvent(1).empty());
  EXPECT_EQ(idsOfEvent(0), first);
  EXPECT_TRUE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
  EXPECT_EQ(log.countStarting("[Cache]"), 0);
  EXPECT_FALSE(pipeline.rebuildDeferred.load());

  // One event rebuilt on its own: the other blocks follow their layers.
  RenderJob one;
  one.kind = kJobOneEvent;
  one.eventIdx = 0;
  runRenderJob(pipeline, one);
  EXPECT_TRUE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
  EXPECT_EQ(pipeline.cache.count.load(), static_cast<int>(session.results.size()));
}

TEST_F(PipelineFixture, EmptySessionAndTimingLines) {
  session.events.clear();
  session.results.clear();
  LogCapture log;
  setenv("VN_SINGLE_PASS", "1", 1);
  setenv("VN_RENDER_TIMING", "1", 1);
  FullRender(pipeline, -1.0f, -1.0f);
  unsetenv("VN_SINGLE_PASS");
  unsetenv("VN_RENDER_TIMING");
  EXPECT_EQ(session.results.size(), 0u);
  EXPECT_EQ(pipeline.cache.count.load(), 0);
  EXPECT_EQ(pipeline.sessionLengthSamples.load(), 0);
  EXPECT_EQ(log.countStarting("[Cache]"), 0);
  ASSERT_EQ(log.err.size(), 1u);
  EXPECT_EQ(log.err[0].rfind("[RenderTiming] SINGLE-PASS | stream(render)=", 0), 0u) << log.err[0];
  EXPECT_NE(log.err[0].find("(0 blocks)\n"), std::string::npos);
}

TEST_F(PipelineFixture, WorkerRunsOneJobAtATime) {
  startRenderWorker(pipeline);
  std::atomic<bool> release{false}, started{false};
  ASSERT_TRUE(postBackgroundTask(pipeline, std::string(80, 'x'), [&] {
    started = true;
    while (!release) std::this_thread::yield();
  }));
  while (!started) std::this_thread::yield();
  EXPECT_EQ(renderStatusText(pipeline).size(), 63u);
  EXPECT_FALSE(RebuildCacheAsync(pipeline, "Applying musical scale", true));  // dropped
  release = true;
  waitForRenderJobs(pipeline);
  EXPECT_TRUE(pipeline.jobDone.load());
  RenderJob full;
  full.fullRender = true;
  ASSERT_TRUE(postRenderJob(pipeline, full, "Rendering"));
  waitForRenderJobs(pipeline);
  EXPECT_EQ(pipeline.cache.count.load(), static_cast<int>(session.results.size()));
  // A deferred rebuild (a stale block) is cleared by the rebuild the application posts.
  LogCapture log;
  {
    std::lock_guard lock(pipeline.cache.mutex);
    pipeline.cache.blocks[0].layerId = 999999;
  }
  EXPECT_FALSE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
  EXPECT_TRUE(pipeline.rebuildDeferred.load());
  EXPECT_EQ(log.countStarting("[Cache] Integrity check failed at block 0"), 1);
  ASSERT_TRUE(RebuildCacheAsync(pipeline, "Rebuilding", false));
  waitForRenderJobs(pipeline);
  EXPECT_FALSE(pipeline.rebuildDeferred.load());
  EXPECT_TRUE(checkCacheIntegrity(pipeline.cache, session.results, session.events.size(), pipeline.rebuildDeferred));
  stopRenderWorker(pipeline);
}

}  // namespace
}  // namespace vn
