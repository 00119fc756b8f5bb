// The live mix as the device pulls it: a 64-layer moment of the render cache,
// 256-frame buffers at 48 kHz, against the buffer's real-time budget (5.33 ms).
// Peers in the same run: the same moment without the reverb, and the callback's
// rate conversion against its direct path, with their ratios after the table.
// The budget figures use the thread's own CPU time, so a busy machine does not
// inflate them.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <random>
#include <vector>

#include "audio/audio_output.h"
#include "audio/playback_engine.h"
#include "peer_report.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBuffer = 256;
constexpr double kBudgetMicros = 1e6 * kBuffer / kRate;

// 64 stereo layers that all sound between 1 s and 3 s, spread around the listener.
void fillMoment(vn::RenderCache& cache) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
  for (int i = 0; i < 64; ++i) {
    vn::RenderedBlock b;
    b.start = 0.5f + 0.01f * i;
    b.duration = 3.0f;
    const auto n = static_cast<size_t>(b.duration * kRate);
    b.left.resize(n);
    b.right.resize(n);
    for (size_t k = 0; k < n; ++k) {
      b.left[k] = noise(random);
      b.right[k] = noise(random);
    }
    b.stereoSource = i % 2 == 0;
    b.placement.azimuth = -1.5f + 3.0f * static_cast<float>(i) / 63.0f;
    b.bus = i % 3;
    b.reverbSend = 0.3f;
    vn::computePeakSummary(b);
    vn::appendBlock(cache, std::move(b), 0.04f, 0.05f);
  }
}

double threadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

void reportBudget(benchmark::State& state, double startedMicros) {
  const double micros = (threadCpuMicros() - startedMicros) / static_cast<double>(state.iterations());
  state.counters["us_per_buffer"] = micros;
  state.counters["budget_pct"] = 100.0 * micros / kBudgetMicros;
}

void liveMix(benchmark::State& state, bool reverb, vn::MonitorFormat monitor) {
  vn::RenderCache cache;
  fillMoment(cache);
  auto engine = vn::CreatePlaybackEngine(cache, kRate);
  vn::MixSettings mix = engine->mix;
  mix.reverb.enabled = reverb;
  mix.spatialAmount = 0.8f;
  mix.monitor = monitor;
  vn::SetPlaybackMix(*engine, mix, vn::SteadyNanos());
  vn::SetPlaybackLoop(*engine, true, 1.2, 2.8);
  vn::SeekPlayback(*engine, 1.2);
  vn::StartPlayback(*engine);
  std::vector<float> left(kBuffer), right(kBuffer);
  for (int i = 0; i < 50; ++i) vn::PullStereo(*engine, left.data(), right.data(), kBuffer);
  const double started = threadCpuMicros();
  for (auto _ : state) {
    vn::PullStereo(*engine, left.data(), right.data(), kBuffer);
    benchmark::DoNotOptimize(left.data());
  }
  reportBudget(state, started);
}

void BM_LiveMix64_Reverb(benchmark::State& state) { liveMix(state, true, {}); }
void BM_LiveMix64_Dry(benchmark::State& state) { liveMix(state, false, {}); }
void BM_LiveMix64_Reverb_Headphones(benchmark::State& state) {
  liveMix(state, true, {vn::SpatialLayout::Surround714, true});
}

// The callback alone, with a source that costs nothing: conversion against direct pulls.
void callbackOnly(benchmark::State& state, int streamRate) {
  vn::AudioOutput output;
  vn::ConfigureStreamState(output, kRate, streamRate, 2, kBuffer);
  vn::SetPlaybackSources(
      output, [](float* l, float* r, int n) {
        for (int i = 0; i < n; ++i) l[i] = r[i] = 0.1f * static_cast<float>(i & 7);
      },
      {});
  std::vector<float> out(2 * kBuffer);
  const double started = threadCpuMicros();
  for (auto _ : state) {
    vn::AudioCallback(output, out.data(), kBuffer);
    benchmark::DoNotOptimize(out.data());
  }
  reportBudget(state, started);
}

void BM_Callback_Direct(benchmark::State& state) { callbackOnly(state, kRate); }
void BM_Callback_Convert48to441(benchmark::State& state) { callbackOnly(state, 44100); }

}  // namespace

BENCHMARK(BM_LiveMix64_Reverb);
BENCHMARK(BM_LiveMix64_Dry);
BENCHMARK(BM_LiveMix64_Reverb_Headphones);
BENCHMARK(BM_Callback_Direct);
BENCHMARK(BM_Callback_Convert48to441);

int main(int argc, char** argv) {
  return vn::bench::runWithRatios(argc, argv,
                                  {{"BM_LiveMix64_Reverb", "BM_LiveMix64_Dry"},
                                   {"BM_LiveMix64_Reverb_Headphones", "BM_LiveMix64_Reverb"},
                                   {"BM_Callback_Convert48to441", "BM_Callback_Direct"}});
}
