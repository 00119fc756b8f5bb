// The callback must not allocate once the stream is open. Global operator new
// is replaced in this test program; it counts only on a thread that asked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "audio/audio_output.h"
#include "audio/playback_engine.h"
#include "picture/reference_audio.h"
#include "playback_support.h"

namespace {
thread_local bool tCounting = false;
thread_local int tAllocations = 0;
}  // namespace

namespace {
void* counted(std::size_t size) noexcept {
  if (tCounting) ++tAllocations;
  return std::malloc(size ? size : 1);
}
void* countedOrThrow(std::size_t size) {
  if (void* p = counted(size)) return p;
  throw std::bad_alloc();
}
}  // namespace

// Every plain form, so that each allocation is counted and freed by its own kind.
void* operator new(std::size_t size) { return countedOrThrow(size); }
void* operator new[](std::size_t size) { return countedOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace vn {
namespace {

int allocationsDuring(AudioOutput& o, int callbacks, unsigned frames) {
  std::vector<float> out(static_cast<size_t>(frames) * static_cast<size_t>(o.channels));
  tAllocations = 0;
  tCounting = true;
  for (int i = 0; i < callbacks; ++i) AudioCallback(o, out.data(), frames);
  tCounting = false;
  return tAllocations;
}

TEST(CallbackAllocation, NoPathAllocates) {
  auto stereo = [](float* l, float* r, int n) {
    for (int i = 0; i < n; ++i) l[i] = r[i] = 0.25f;
  };
  auto multi = [](float* out, int n, int ch) {
    for (int i = 0; i < n * ch; ++i) out[i] = 0.25f;
  };
  struct Case {
    int projectRate, streamRate, channels;
  };
  for (Case c : {Case{48000, 48000, 2}, Case{48000, 44100, 2}, Case{48000, 48000, 6}, Case{44100, 48000, 8},
                 Case{48000, 44100, 1}}) {
    SCOPED_TRACE(testing::Message() << c.projectRate << "/" << c.streamRate << " x" << c.channels);
    AudioOutput o;
    ConfigureStreamState(o, c.projectRate, c.streamRate, c.channels, 256);
    SetPlaybackSources(o, stereo, multi);
    EXPECT_EQ(allocationsDuring(o, 50, 256), 0);
    // A driver that hands over more than it granted is served in pieces, still without allocating.
    EXPECT_EQ(allocationsDuring(o, 5, 1000), 0);
  }
  // The counter itself works.
  tCounting = true;
  auto* probe = new std::vector<int>(3);
  tCounting = false;
  delete probe;
  EXPECT_GE(tAllocations, 1);
}

TEST(CallbackAllocation, LiveMixThroughTheEngineAllocatesNothing) {
  auto reference = std::make_shared<VideoRefAudio>();
  reference->frameCount = 48000;
  reference->samples.assign(2 * 48000, 1000);
  PublishReferenceAudio(reference);
  RenderCache cache;
  for (int i = 0; i < 8; ++i) test::addSteadyBlock(cache, 0.1f, 0.1f * i, 2.0f);
  auto engine = CreatePlaybackEngine(cache, 48000);
  ASSERT_TRUE(engine);
  struct Case {
    MonitorFormat monitor;
    int streamRate, channels;
  };
  for (Case c : {Case{{SpatialLayout::Stereo, false}, 48000, 2}, Case{{SpatialLayout::Stereo, false}, 44100, 2},
                 Case{{SpatialLayout::Surround51, false}, 48000, 6},
                 Case{{SpatialLayout::Surround714, true}, 44100, 2}}) {
    SCOPED_TRACE(testing::Message() << monitorFormatLabel(c.monitor) << " at " << c.streamRate);
    AudioOutput o;
    ConfigureStreamState(o, 48000, c.streamRate, c.channels, 256);
    ConnectPlayback(o, *engine);
    StopPlayback(*engine);
    MixSettings mix = engine->mix;
    mix.monitor = c.monitor;
    mix.reverb.enabled = true;
    SetPlaybackMix(*engine, mix, SteadyNanos());
    SeekPlayback(*engine, 0.3);
    StartPlayback(*engine);
    // Taking up the new monitor format happens inside the callback too.
    EXPECT_EQ(allocationsDuring(o, 100, 256), 0);
    SetPlaybackSources(o, {}, {});
  }
  ClearReferenceAudio();
}

}  // namespace
}  // namespace vn
