#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/waveforms.h"

namespace vn {
namespace {

RenderedBlock blockWithPeak(uint32_t layerId, float peak) {
  RenderedBlock block;
  block.layerId = layerId;
  block.left.assign(512, 0.0f);
  block.right.assign(512, 0.0f);
  block.left[1] = peak;  // 512 frames: two per bin, so this is the first bin
  computePeakSummary(block);
  return block;
}

void publish(RenderCache& cache, std::vector<RenderedBlock> blocks) {
  clearCache(cache);
  for (RenderedBlock& b : blocks) appendBlock(cache, std::move(b), 0.0f, 0.0f);
  cache.generation.fetch_add(1);
}

// The timeline copies peaks once per published generation, by layer id, and never waits
// for a cache that the render side holds: the next frame tries again.
TEST(Waveforms, CopiedOncePerGenerationAndNeverWaitingForABusyCache) {
  RenderCache cache;
  WaveformIndex index;
  EXPECT_TRUE(refreshWaveforms(index, cache)) << "the first look fills the index even when the cache is empty";
  EXPECT_FALSE(refreshWaveforms(index, cache)) << "nothing new was published";

  publish(cache, {blockWithPeak(11, 0.5f), blockWithPeak(42, 0.25f)});
  ASSERT_TRUE(refreshWaveforms(index, cache));
  ASSERT_NE(findWaveform(index, 11), nullptr);
  EXPECT_FLOAT_EQ((*findWaveform(index, 11))[0], 0.5f);
  EXPECT_FLOAT_EQ((*findWaveform(index, 42))[0], 0.25f);
  EXPECT_EQ(findWaveform(index, 7), nullptr);

  // A new generation replaces the copy: a layer that is gone has no waveform any more.
  publish(cache, {blockWithPeak(42, 0.75f)});
  std::atomic<bool> held{false}, release{false};
  std::thread renderSide([&] {
    std::lock_guard<std::mutex> lock(cache.mutex);
    held = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(refreshWaveforms(index, cache)) << "a busy cache is skipped, not waited for";
  EXPECT_NE(findWaveform(index, 11), nullptr) << "the old copy stays until the cache is free";
  release = true;
  renderSide.join();

  ASSERT_TRUE(refreshWaveforms(index, cache));
  EXPECT_EQ(findWaveform(index, 11), nullptr);
  EXPECT_FLOAT_EQ((*findWaveform(index, 42))[0], 0.75f);
  EXPECT_EQ(index.generation, cache.generation.load());
}

}  // namespace
}  // namespace vn
