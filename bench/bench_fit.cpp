// The delivery fit of 2,000 layers over 8 busses that each declare two stereo
// tracks and one mono track: planning alone (goal: under 100 ms on one core),
// and the whole fit with every comp rendered from its members' blocks, against
// the plain sum of the same blocks into buffers of the comps' lengths.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "export/delivery_fit.h"
#include "peer_report.h"
#include "platform/log.h"
#include "render/render_cache.h"
#include "render/track_routing.h"

namespace {

constexpr int kLayers = 2000;
constexpr int kBusses = 8;
constexpr int kRate = 8000;  // the sums cost the same per sample at any rate; this keeps the cache small

struct Fixture {
  vn::Session session;
  vn::RenderCache cache;
  std::vector<vn::FoldComp> comps;  // of one fit, for the peer
};

float uniform(uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return static_cast<float>(state >> 16) / 65535.0f;
}

// Events of three to six layers each, spread over ten minutes, each event on one bus.
void fill(Fixture& x) {
    vn::Session& s = x.session;
    s.trackLayout.busCount = kBusses;
    for (int b = 0; b < kBusses; ++b) s.trackLayout.busses[b].slots = {{2, 1, {}}, {1, 0, {}}};
    uint32_t seed = 2026;
    while (static_cast<int>(s.results.size()) < kLayers) {
      vn::Event e;
      e.time = uniform(seed) * 600.0f;
      e.duration = 0.3f + 3.0f * uniform(seed);
      e.hero = uniform(seed) < 0.15f;
      s.events.push_back(e);
      const int bus = static_cast<int>(uniform(seed) * kBusses) % kBusses;
      const int layers = 3 + static_cast<int>(uniform(seed) * 4.0f);
      for (int k = 0; k < layers && static_cast<int>(s.results.size()) < kLayers; ++k) {
        vn::Layer l;
        l.id = static_cast<uint32_t>(s.results.size()) + 1;
        l.name = "layer";
        l.eventIdx = static_cast<int>(s.events.size()) - 1;
        l.group = bus;
        l.startTime = e.time + 0.05f * uniform(seed);
        l.duration = std::max(0.1f, e.duration * (0.4f + 0.6f * uniform(seed)));
        l.fmt = uniform(seed) < 0.3f ? 0 : 1;
        for (float& v : l.bandShares) v = uniform(seed);
        s.results.push_back(l);
      }
    }
    vn::allocateBusTracks(s.results);
    x.cache.sampleRate = kRate;
    for (size_t i = 0; i < s.results.size(); ++i) {
      const vn::Layer& l = s.results[i];
      vn::RenderedBlock b;
      const size_t frames = static_cast<size_t>(l.duration * kRate);
      b.left.resize(frames);
      b.right.resize(frames);
      for (size_t n = 0; n < frames; ++n) {
        b.left[n] = 0.1f * std::sin(0.003f * static_cast<float>(n * (i % 17 + 1)));
        b.right[n] = 0.1f * std::cos(0.002f * static_cast<float>(n * (i % 13 + 1)));
      }
      b.start = l.startTime;
      b.duration = l.duration;
      b.stereoSource = l.fmt != 0;
      b.layerIdx = static_cast<int>(i);
      b.layerId = l.id;
      vn::appendBlock(x.cache, std::move(b), l.fadeIn, l.fadeOut);
    }
    const vn::DeliveryResult r = vn::fitDelivery(s, x.cache, {});
    x.comps = r.comps;
    std::printf("%d layers, %d busses: %d folds, %d not fitting, %d -> %d tracks\n", kLayers, kBusses, r.folds,
                r.notFitting, r.tracksBefore, r.tracksAfter);
}

Fixture& fixture() {
  static Fixture* f = [] {
    auto* x = new Fixture;
    fill(*x);
    return x;
  }();
  return *f;
}

void BM_FitPlanning(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    vn::DeliveryResult r = vn::planDelivery(f.session, {});
    benchmark::DoNotOptimize(r.folds);
  }
}
BENCHMARK(BM_FitPlanning)->Unit(benchmark::kMillisecond);

void BM_FitWithCompRendering(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    vn::DeliveryResult r = vn::fitDelivery(f.session, f.cache, {});
    benchmark::DoNotOptimize(r.comps.data());
  }
}
BENCHMARK(BM_FitWithCompRendering)->Unit(benchmark::kMillisecond);

// Peer: the same comps' member blocks added into stereo buffers of the comps'
// lengths, nothing else (no gains, fades, conversion or planning).
void BM_PlainSumOfCompBlocks(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (const vn::FoldComp& comp : f.comps) {
      const size_t frames = static_cast<size_t>(std::lround(comp.duration * kRate));
      std::vector<float> left(frames, 0.0f), right(frames, 0.0f);
      for (int m : comp.members) {
        const vn::RenderedBlock& b = f.cache.blocks[static_cast<size_t>(m)];
        const long offset = std::lround((b.start - comp.start) * kRate);
        for (size_t n = 0; n < b.left.size(); ++n) {
          const long at = offset + static_cast<long>(n);
          if (at < 0 || at >= static_cast<long>(frames)) continue;
          left[static_cast<size_t>(at)] += b.left[n];
          right[static_cast<size_t>(at)] += b.right[n];
        }
      }
      benchmark::DoNotOptimize(left.data());
      benchmark::DoNotOptimize(right.data());
    }
  }
}
BENCHMARK(BM_PlainSumOfCompBlocks)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  vn::setLogSink([](vn::LogStream, const std::string&) {});
  return vn::bench::runWithRatios(argc, argv,
                                  {{"BM_FitWithCompRendering", "BM_PlainSumOfCompBlocks"},
                                   {"BM_FitPlanning", "BM_PlainSumOfCompBlocks"}});
}
