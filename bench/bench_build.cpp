// The build engine's speed: 500 events of mixed shapes against a library of
// 20,000 records, with and without keywords (events per second), and the keyword
// pre-scores of 100,000 candidates on one and on two threads. The goal is 500
// events in under 2 seconds on one core.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "build/build_run.h"
#include "build/keyword_prescore.h"

namespace {

const char* const kWords[] = {"door", "slam", "wood", "metal", "glass", "break", "whoosh", "wind",
                              "impact", "hit", "debris", "rumble", "swish", "crash", "step", "hum"};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

vn::LibraryRecord syntheticRecord(int i, const std::string& folder) {
  vn::LibraryRecord r;
  r.name = std::string(kWords[i % kWordCount]) + "_" + kWords[(i / kWordCount) % kWordCount] + "_" + std::to_string(i);
  r.path = folder + "/" + r.name + ".wav";
  r.fileId = std::to_string(1000000 + i);
  const float x = static_cast<float>((i * 7919) % 1000) / 999.0f;  // spread over the spectrum
  for (int b = 0; b < 5; ++b) {
    const float d = 0.1f + 0.2f * static_cast<float>(b) - x;
    r.bandShare[b] = 0.05f + std::exp(-8.0f * d * d);
  }
  r.brightness = 0.1f + 0.8f * x;
  r.duration = 0.3f + static_cast<float>((i * 31) % 120) / 10.0f;
  r.crestDb = static_cast<float>(i % 20);
  r.spectralFlux = static_cast<float>(i % 10) / 25.0f;
  r.temporalCentroid = 0.2f + static_cast<float>(i % 7) / 10.0f;
  r.zeroCrossRate = static_cast<float>(i % 13) / 20.0f;
  r.harmonicRatio = static_cast<float>(i % 11) / 10.0f;
  r.flatness = static_cast<float>(i % 9) / 10.0f;
  r.onsetPosition = static_cast<float>(i % 5) / 50.0f;
  r.attackTime = 0.01f;
  r.peakPosition = 0.2f;
  r.groupId = i % 50 == 0 ? static_cast<uint64_t>(i / 2) : 0;
  return r;
}

// The build only takes files that exist, so the library's files are written
// (empty) once into a private folder.
struct BenchLibrary {
  std::string folder;
  vn::Library library;
  BenchLibrary() {
    folder = (std::filesystem::temp_directory_path() / ("vn_bench_build_" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    library.name = "Bench";
    library.folder = folder;
    for (int i = 0; i < 20000; ++i) {
      library.records.push_back(syntheticRecord(i, folder));
      std::ofstream(library.records.back().path).put('\0');
    }
  }
  ~BenchLibrary() { std::filesystem::remove_all(folder); }
};

const BenchLibrary& benchLibrary() {
  static const BenchLibrary lib;
  return lib;
}

vn::Session mixedSession(bool keywords) {
  vn::Session s;
  for (int i = 0; i < 500; ++i) {
    vn::Event ev;
    ev.time = 2.0f * static_cast<float>(i);
    ev.duration = 0.3f + static_cast<float>(i % 12) * 0.5f;
    const int kind = i % 20;
    ev.shape = kind < 10 ? vn::ShapeType::Spot
               : kind < 13 ? vn::ShapeType::Bloom
               : kind < 15 ? vn::ShapeType::Contour
               : kind < 17 ? vn::ShapeType::Fill
               : kind < 18 ? vn::ShapeType::Scatter
                           : vn::ShapeType::Spot;
    ev.alloy = kind >= 18;
    ev.hero = i % 25 == 0;
    ev.spread = static_cast<float>(i % 4) / 4.0f;
    for (int p = 0; p < vn::kCurvePoints; ++p) {
      const float t = static_cast<float>(p) / 255.0f;
      ev.intensity[p] = 0.3f + 0.6f * t * static_cast<float>((i % 3) + 1) / 3.0f;
      ev.weight[p] = 0.2f + 0.6f * (i % 2 ? t : 1.0f - t);
    }
    if (keywords) ev.keywords = std::string(kWords[i % kWordCount]) + " " + kWords[(i * 5) % kWordCount];
    s.events.push_back(ev);
  }
  return s;
}

void buildFiveHundred(benchmark::State& state, bool keywords) {
  const vn::Library* libs[] = {&benchLibrary().library};
  const vn::Session prototype = mixedSession(keywords);
  size_t layers = 0;
  for (auto _ : state) {
    vn::Session session = prototype;
    vn::BuildEngineState engine;
    vn::BuildOptions options;
    options.seed = 42;
    options.nowSeconds = 1'000'000;
    const auto summary = vn::buildEvents(session, libs, engine, options);
    layers = session.results.size();
    benchmark::DoNotOptimize(summary.layersAdded);
  }
  state.SetItemsProcessed(state.iterations() * 500);
  state.counters["layers"] = static_cast<double>(layers);
}

void BM_Build500Events_NoKeywords(benchmark::State& state) { buildFiveHundred(state, false); }
void BM_Build500Events_Keywords(benchmark::State& state) { buildFiveHundred(state, true); }
BENCHMARK(BM_Build500Events_NoKeywords)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Build500Events_Keywords)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_KeywordPrescore100k(benchmark::State& state) {
  static const std::vector<vn::LibraryRecord> records = [] {
    std::vector<vn::LibraryRecord> out;
    for (int i = 0; i < 100000; ++i) out.push_back(syntheticRecord(i, "/bench/keywords"));
    return out;
  }();
  std::vector<const vn::LibraryRecord*> refs;
  for (const auto& r : records) refs.push_back(&r);
  const vn::CandidateList list = vn::makeCandidateList(refs);
  const auto terms = vn::parseSearchTerms("door slam -metal +wood");
  for (auto _ : state) {
    auto scores = vn::computeKeywordScores(list, terms, static_cast<unsigned>(state.range(0)));
    benchmark::DoNotOptimize(scores.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_KeywordPrescore100k)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
