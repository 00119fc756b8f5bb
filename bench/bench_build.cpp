// The build engine's speed: 500 events of mixed shapes against a library of
// 20,000 records, with and without keywords (events per second), and the keyword
// pre-scores of 100,000 candidates on one and on two threads (the texts folded
// to lower case once per list beforehand, timed on their own) and again for
// words whose results over the list are remembered. The goal is 500
// events in under 2 seconds on one core: run the build figures under
// taskset -c 0, or the pre-scores of 20,000 candidates take a second thread.
// Peers in the same run: one layer's ranking against scoring every record from
// scratch and sorting them all; the keyword pre-scores against a bare
// case-insensitive substring search of the same words in the same texts.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/build_run.h"
#include "builder/keyword_prescore.h"
#include "builder/ranking.h"
#include "peer_report.h"

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

const std::vector<vn::LibraryRecord>& hundredThousand() {
  static const std::vector<vn::LibraryRecord> records = [] {
    std::vector<vn::LibraryRecord> out;
    for (int i = 0; i < 100000; ++i) out.push_back(syntheticRecord(i, "/bench/keywords"));
    return out;
  }();
  return records;
}

vn::CandidateList listOf(const std::vector<vn::LibraryRecord>& records) {
  std::vector<const vn::LibraryRecord*> refs;
  for (const auto& r : records) refs.push_back(&r);
  return vn::makeCandidateList(refs);
}

constexpr const char* kKeywordText = "door slam -metal +wood";

void BM_KeywordPrescore100k(benchmark::State& state) {
  const vn::CandidateList list = listOf(hundredThousand());
  const auto terms = vn::parseSearchTerms(kKeywordText);
  vn::foldedTexts(list);  // once per list, timed on its own below
  for (auto _ : state) {
    auto scores = vn::computeKeywordScores(list, terms, static_cast<unsigned>(state.range(0)));
    benchmark::DoNotOptimize(scores.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
// Time is wall-clock time, CPU is that of every thread of the process.
BENCHMARK(BM_KeywordPrescore100k)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The cache as a build meets it: each event brings a new term set, made of
// words it has looked for before in the same list.
void BM_KeywordPrescore100k_RememberedWords(benchmark::State& state) {
  const vn::CandidateList list = listOf(hundredThousand());
  const auto first = vn::parseSearchTerms(kKeywordText), second = vn::parseSearchTerms("wood door slam -metal");
  vn::KeywordScoreCache cache;
  cache.scores(list, first);
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    auto scores = cache.scores(list, flip ? second : first);
    benchmark::DoNotOptimize(scores.get());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_KeywordPrescore100k_RememberedWords)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// What the pre-scores above leave out: the list's texts folded to lower case,
// once per list.
void BM_FoldTexts100k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const vn::CandidateList list = listOf(hundredThousand());
    state.ResumeTiming();
    benchmark::DoNotOptimize(vn::foldedTexts(list).data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_FoldTexts100k)->Unit(benchmark::kMillisecond);

// Peer: each word looked for anywhere in the four texts, no word rules, no modes.
void BM_PeerSubstringSearch100k(benchmark::State& state) {
  const auto& records = hundredThousand();
  const char* const words[] = {"door", "slam", "metal", "wood"};
  for (auto _ : state) {
    int hits = 0;
    for (const auto& r : records)
      for (const char* w : words)
        hits += (strcasestr(r.name.c_str(), w) || strcasestr(r.path.c_str(), w) ||
                 strcasestr(r.description.c_str(), w) || strcasestr(r.keywords.c_str(), w))
                    ? 1
                    : 0;
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_PeerSubstringSearch100k)->Unit(benchmark::kMillisecond);

vn::ScoreRequest oneLayer() {
  vn::ScoreRequest q;
  q.weight = 0.4f;
  q.duration = 2.0f;
  q.shape = vn::ShapeType::Spot;
  q.impact = 0.7f;
  return q;
}

// One layer's ranking over the 20,000 records, as the build does it.
void BM_RankOneLayer20k(benchmark::State& state) {
  const vn::CandidateList list = listOf(benchLibrary().library.records);
  const vn::ScoreRequest q = oneLayer();
  for (auto _ : state) {
    auto ranked = vn::rankCandidates(list, q, 12, {});
    benchmark::DoNotOptimize(ranked.data());
  }
  state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_RankOneLayer20k)->Unit(benchmark::kMicrosecond);

// Peer: every record scored from scratch, all above the floor sorted, the best 12 kept.
void BM_PeerScoreAndSortAll20k(benchmark::State& state) {
  const auto& records = benchLibrary().library.records;
  const vn::ScoreRequest q = oneLayer();
  for (auto _ : state) {
    std::vector<vn::ScoredCandidate> all;
    for (const auto& r : records) {
      const float score = vn::scoreCandidate(r, q);
      if (score > vn::kRankFloor) all.push_back({&r, score});
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.score > b.score; });
    if (all.size() > 12) all.resize(12);
    benchmark::DoNotOptimize(all.data());
  }
  state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_PeerScoreAndSortAll20k)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // The thread pair compares the CPU of the whole process: the cost of splitting
  // the work (its wall-clock gain is in the table's Time column).
  const std::string prescore = "BM_KeywordPrescore100k/";
  const std::string timing = "/process_time/real_time";
  return vn::bench::runWithRatios(argc, argv,
                                  {{prescore + "2" + timing, prescore + "1" + timing},
                                   {prescore + "1" + timing, "BM_PeerSubstringSearch100k"},
                                   {"BM_KeywordPrescore100k_RememberedWords" + timing, prescore + "1" + timing},
                                   {"BM_RankOneLayer20k", "BM_PeerScoreAndSortAll20k"},
                                   {"BM_Build500Events_Keywords/iterations:3", "BM_Build500Events_NoKeywords/iterations:3"}});
}
