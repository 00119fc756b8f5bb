// Scan throughput on the demo library filled up to 1,001 files (hard links of its 91
// sounds in 11 folders): the first scan and a rescan of unchanged files with one and
// two workers, and the analysis of every file against a bare libsndfile decode of the
// same 30-second spans. Ratios between runs of this one program are printed at the end.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "library/analyse_file.h"
#include "library/analysis/working_set.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "tools/demo_library.h"

namespace {

constexpr int kCopies = 11;

struct Corpus {
  std::string root;    // private working folder, removed at exit
  std::string folder;  // the folder that is scanned
  std::vector<std::string> files;
};

const Corpus& TheCorpus() {
  static Corpus corpus = [] {
    namespace fs = std::filesystem;
    Corpus c;
    std::string pattern = (fs::temp_directory_path() / "varnel-bench-scan-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    c.root = pattern;
    c.folder = c.root + "/Bench Library";
    // Index files go to a private application data folder.
    ::setenv("APPDATA", (c.root + "/appdata").c_str(), 1);
    const vn::tools::DemoLibraryResult demo = vn::tools::WriteDemoLibrary(c.root + "/source");
    if (!demo.ok) {
      std::fprintf(stderr, "demo library: %s\n", demo.error.c_str());
      std::abort();
    }
    for (int copy = 0; copy < kCopies; ++copy) {
      for (const std::string& source : demo.files) {
        const std::string relative = source.substr(c.root.size() + std::string("/source").size());
        const std::string target = c.folder + "/copy" + std::to_string(10 + copy) + relative;
        fs::create_directories(fs::path(target).parent_path());
        std::error_code ec;
        fs::create_hard_link(source, target, ec);
        if (ec) fs::copy_file(source, target);
        c.files.push_back(target);
      }
    }
    std::sort(c.files.begin(), c.files.end());
    std::atexit([] { std::filesystem::remove_all(TheCorpus().root); });
    return c;
  }();
  return corpus;
}

// What the analysis decodes of a file: its first 30 seconds, in reads of about 256 K
// samples. Each read is handed to onRead (frames, channels).
template <typename OnRead>
void DecodeSpan(const std::string& path, std::vector<float>& buffer, OnRead onRead) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return;
  const sf_count_t span = std::min<sf_count_t>(static_cast<sf_count_t>(30.0 * info.samplerate), info.frames);
  const sf_count_t perRead = std::max<sf_count_t>(262144 / info.channels / 2048 * 2048, 2048);
  buffer.resize(static_cast<size_t>(perRead * info.channels));
  for (sf_count_t done = 0; done < span;) {
    const sf_count_t got = sf_readf_float(file, buffer.data(), std::min(perRead, span - done));
    if (got <= 0) break;
    onRead(static_cast<size_t>(got), static_cast<size_t>(info.channels));
    done += got;
  }
  sf_close(file);
}

void ForgetPublishedLibraries() {
  vn::LibraryList& list = vn::AppLibraries();
  std::lock_guard lock(list.mutex);
  list.libraries.clear();
}

// True when every file was analysed (force) or reused.
bool RunScan(bool force, int threads) {
  vn::ScanStatus status;
  vn::ScanRequest request;
  request.folder = TheCorpus().folder;
  request.force = force;
  request.maxThreads = threads;
  request.status = &status;
  status.running = true;
  vn::ScanFolder(request);
  const int expected = static_cast<int>(TheCorpus().files.size());
  return (force ? status.analysed : status.reused) == expected;
}

void BM_BareDecode(benchmark::State& state) {
  std::vector<float> buffer;
  for (auto _ : state) {
    for (const std::string& path : TheCorpus().files) {
      DecodeSpan(path, buffer, [&](size_t, size_t) { benchmark::DoNotOptimize(buffer.data()); });
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheCorpus().files.size()));
}

// The floor under any analysis of this kind: the decode plus one windowed 2048-point
// transform of every full block of every channel, and nothing else.
void BM_DecodeAndTransform(benchmark::State& state) {
  vn::AnalysisWorkingSet set;
  std::vector<float> buffer, block(vn::kAnalysisBlock), magnitudes(vn::kSpectrumBins);
  for (auto _ : state) {
    for (const std::string& path : TheCorpus().files) {
      DecodeSpan(path, buffer, [&](size_t frames, size_t channels) {
        for (size_t c = 0; c < channels; ++c) {
          for (size_t start = 0; start + vn::kAnalysisBlock <= frames; start += vn::kAnalysisBlock) {
            for (size_t i = 0; i < vn::kAnalysisBlock; ++i) block[i] = buffer[(start + i) * channels + c];
            vn::AddBlockMagnitudes(set, block.data(), magnitudes.data());
          }
        }
      });
    }
    benchmark::DoNotOptimize(magnitudes.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheCorpus().files.size()));
}

void BM_AnalyseFile(benchmark::State& state) {
  vn::AnalysisWorkingSet set;
  for (auto _ : state) {
    for (const std::string& path : TheCorpus().files) {
      vn::LibraryRecord record;
      benchmark::DoNotOptimize(vn::AnalyseFile(path, record, set));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheCorpus().files.size()));
}

void ScanEveryIteration(benchmark::State& state, bool force) {
  for (auto _ : state) {
    if (!RunScan(force, static_cast<int>(state.range(0)))) state.SkipWithError("not every file was handled");
    state.PauseTiming();
    ForgetPublishedLibraries();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(TheCorpus().files.size()));
}

void BM_FirstScan(benchmark::State& state) { ScanEveryIteration(state, true); }

void BM_Rescan(benchmark::State& state) {
  RunScan(false, 1);  // an index of the current files to reuse
  ForgetPublishedLibraries();
  ScanEveryIteration(state, false);
}

BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DecodeAndTransform)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AnalyseFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FirstScan)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Rescan)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Keeps the seconds per file of every run, for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const double perFile = static_cast<double>(run.iterations) * static_cast<double>(TheCorpus().files.size());
      secondsPerFile[run.benchmark_name()] = run.real_accumulated_time / perFile;
      cpuSecondsPerFile[run.benchmark_name()] = run.cpu_accumulated_time / perFile;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> secondsPerFile;
  std::map<std::string, double> cpuSecondsPerFile;  // the calling thread's only
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("Corpus: %zu files\n", TheCorpus().files.size());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto& t = reporter.secondsPerFile;
  auto& cpu = reporter.cpuSecondsPerFile;
  const std::string analyse = "BM_AnalyseFile/iterations:3/real_time";
  const std::string decode = "BM_BareDecode/iterations:3/real_time";
  std::printf("\nanalysis / bare decode, one worker: %.2f by elapsed time, %.2f by CPU time\n", t[analyse] / t[decode],
              cpu[analyse] / cpu[decode]);
  const std::string transform = "BM_DecodeAndTransform/iterations:3/real_time";
  std::printf("  of which decode and block transforms alone: %.2f by CPU time\n", cpu[transform] / cpu[decode]);
  std::printf("  per file: AnalyseFile %.3f ms (CPU %.3f ms), decode %.3f ms (CPU %.3f ms)\n", t[analyse] * 1e3,
              cpu[analyse] * 1e3, t[decode] * 1e3, cpu[decode] * 1e3);
  for (const char* workers : {"1", "2"}) {
    const std::string first = std::string("BM_FirstScan/") + workers + "/iterations:3/real_time";
    const std::string again = std::string("BM_Rescan/") + workers + "/iterations:5/real_time";
    std::printf("workers %s: first scan %.0f files/s, rescan %.0f files/s, rescan %.0f times faster\n", workers,
                1.0 / t[first], 1.0 / t[again], t[first] / t[again]);
  }
  benchmark::Shutdown();
  return 0;
}
