// The mix reverb's cost: seconds of 48 kHz stereo processed per CPU second, in
// the live mixer's buffer size; the goal is at least 150 times real time on one
// core. A plain stereo copy of the same buffers is the floor it is measured against.
#include <cstdint>
#include <cstring>
#include <vector>

#include "peer_report.h"
#include "render/reverb.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 512;
constexpr int kSeconds = 10;

std::vector<float> noise(size_t n, uint32_t seed) {
  std::vector<float> x(n);
  for (auto& v : x) {
    seed = seed * 1103515245u + 12345u;
    v = (static_cast<float>((seed >> 8) & 0xFFFF) / 32768.0f - 1.0f) * 0.25f;
  }
  return x;
}

void BM_ReverbStereo48k(benchmark::State& state) {
  auto reverb = vn::allocateReverb();
  vn::initialiseReverb(*reverb, kRate);
  vn::ReverbSettings settings;
  settings.size = 0.8f;
  settings.decay = 0.7f;
  const size_t n = static_cast<size_t>(kRate) * kSeconds;
  const std::vector<float> left = noise(n, 1), right = noise(n, 2);
  std::vector<float> outL(kBlock), outR(kBlock);
  for (auto _ : state) {
    for (size_t f = 0; f < n; f += kBlock) {
      vn::setReverbParameters(*reverb, settings);  // the live mixer does this every buffer
      vn::processReverb(*reverb, left.data() + f, right.data() + f, outL.data(), outR.data(), nullptr, kBlock, 0);
    }
    benchmark::DoNotOptimize(outL.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReverbStereo48k)->Unit(benchmark::kMillisecond);

void BM_ReverbEightChannels48k(benchmark::State& state) {
  auto reverb = vn::allocateReverb();
  vn::initialiseReverb(*reverb, kRate);
  vn::setReverbParameters(*reverb, vn::ReverbSettings{});
  const size_t n = static_cast<size_t>(kRate) * kSeconds;
  const std::vector<float> left = noise(n, 3), right = noise(n, 4);
  std::vector<float> outL(kBlock), outR(kBlock);
  std::vector<std::vector<float>> channels(8, std::vector<float>(kBlock));
  float* outs[8];
  for (int i = 0; i < 8; ++i) outs[i] = channels[i].data();
  for (auto _ : state) {
    for (size_t f = 0; f < n; f += kBlock)
      vn::processReverb(*reverb, left.data() + f, right.data() + f, outL.data(), outR.data(), outs, kBlock, 8);
    benchmark::DoNotOptimize(outs[7]);
  }
  state.counters["x_realtime"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReverbEightChannels48k)->Unit(benchmark::kMillisecond);

void BM_StereoCopyFloor(benchmark::State& state) {
  const size_t n = static_cast<size_t>(kRate) * kSeconds;
  const std::vector<float> left = noise(n, 1), right = noise(n, 2);
  std::vector<float> outL(kBlock), outR(kBlock);
  for (auto _ : state) {
    for (size_t f = 0; f < n; f += kBlock) {
      std::memcpy(outL.data(), left.data() + f, sizeof(float) * kBlock);
      std::memcpy(outR.data(), right.data() + f, sizeof(float) * kBlock);
      benchmark::ClobberMemory();
    }
  }
  state.counters["x_realtime"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StereoCopyFloor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return vn::bench::runWithRatios(argc, argv, {{"BM_ReverbStereo48k", "BM_StereoCopyFloor"}});
}
