// The loudness meter against libebur128 on the same material: speed (goal:
// faster) and agreement (within 0.1 LU, checked here; a larger difference
// fails the run). Without libebur128 only the meter runs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "peer_report.h"
#include "render/loudness.h"

#ifdef VN_HAVE_EBUR128
#include <ebur128.h>
#endif

namespace {

constexpr int kSeconds = 60;

// Stereo material with loud and quiet passages, so both gates have work:
// filtered noise and tones whose level moves between -50 and -12 dBFS.
struct Material {
  int rate;
  std::vector<float> left, right, interleaved;
};

Material makeMaterial(int rate) {
  Material m{rate, {}, {}, {}};
  const size_t n = static_cast<size_t>(rate) * kSeconds;
  m.left.resize(n);
  m.right.resize(n);
  uint32_t seed = 99;
  float lowL = 0, lowR = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double db = -31.0 + 19.0 * std::sin(2.0 * 3.14159265 * t / 13.0) * std::sin(2.0 * 3.14159265 * t / 3.7);
    const float gain = static_cast<float>(std::pow(10.0, db / 20.0));
    seed = seed * 1103515245u + 12345u;
    const float a = static_cast<float>((seed >> 8) & 0xFFFF) / 32768.0f - 1.0f;
    seed = seed * 1103515245u + 12345u;
    const float b = static_cast<float>((seed >> 8) & 0xFFFF) / 32768.0f - 1.0f;
    lowL += 0.05f * (a - lowL);
    lowR += 0.05f * (b - lowR);
    const float tone = static_cast<float>(std::sin(2.0 * 3.14159265 * 220.0 * t));
    m.left[i] = gain * (0.6f * a + 2.0f * lowL + 0.3f * tone);
    m.right[i] = gain * (0.6f * b + 2.0f * lowR + 0.3f * tone);
  }
  m.interleaved.resize(2 * n);
  for (size_t i = 0; i < n; ++i) {
    m.interleaved[2 * i] = m.left[i];
    m.interleaved[2 * i + 1] = m.right[i];
  }
  return m;
}

const Material& material(int rate) {
  static const Material m48 = makeMaterial(48000), m44 = makeMaterial(44100);
  return rate == 48000 ? m48 : m44;
}

float ourReading(const Material& m) {
  return vn::integratedLoudness(m.left.data(), m.right.data(), static_cast<long>(m.left.size()), m.rate);
}

void BM_VarnelMeter(benchmark::State& state) {
  const Material& m = material(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(ourReading(m));
  state.counters["LUFS"] = ourReading(m);
  state.counters["x_realtime"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_VarnelMeter)->Arg(48000)->Arg(44100)->Unit(benchmark::kMillisecond);

#ifdef VN_HAVE_EBUR128
double ebur128Reading(const Material& m) {
  ebur128_state* st = ebur128_init(2, static_cast<unsigned long>(m.rate), EBUR128_MODE_I);
  ebur128_add_frames_float(st, m.interleaved.data(), m.left.size());
  double lufs = 0;
  ebur128_loudness_global(st, &lufs);
  ebur128_destroy(&st);
  return lufs;
}

void BM_Ebur128(benchmark::State& state) {
  const Material& m = material(static_cast<int>(state.range(0)));
  const double ours = ourReading(m), peer = ebur128Reading(m);
  for (auto _ : state) benchmark::DoNotOptimize(ebur128Reading(m));
  state.counters["LUFS"] = peer;
  state.counters["difference_LU"] = std::fabs(ours - peer);
  state.counters["x_realtime"] = benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
  if (std::fabs(ours - peer) > 0.1) {
    std::fprintf(stderr, "varnel %.3f LUFS, libebur128 %.3f LUFS\n", ours, peer);
    state.SkipWithError("the meters disagree by more than 0.1 LU");
  }
}
BENCHMARK(BM_Ebur128)->Arg(48000)->Arg(44100)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  return vn::bench::runWithRatios(argc, argv,
                                  {{"BM_VarnelMeter/48000", "BM_Ebur128/48000"},
                                   {"BM_VarnelMeter/44100", "BM_Ebur128/44100"}});
}
