// Project documents at the size of a long reel: 5,000 events and 40,000 layers.
// Saving and loading are timed whole (through the file system), the document
// text alone, and the JSON parse against nlohmann::json on the same text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "core/json_parse.h"
#include "core/project_document.h"
#include "core/project_file.h"
#include "platform/log.h"

#ifdef VN_HAVE_NLOHMANN_JSON
#include <nlohmann/json.hpp>
#endif

namespace {

constexpr int kEvents = 5000;
constexpr int kLayersPerEvent = 8;

vn::Curve wave(int seed) {
  vn::Curve c;
  for (int i = 0; i < vn::kCurvePoints; ++i) c[i] = 0.5f + 0.4f * static_cast<float>(((i * 37 + seed * 11) % 97) / 97.0 - 0.5);
  return c;
}

vn::Session reelSession() {
  vn::Session s;
  s.settings.totalDuration = 5400.0f;
  for (int i = 0; i < kEvents; ++i) {
    vn::Event e;
    e.time = i * 1.08f;
    e.duration = 0.5f + (i % 13) * 0.25f;
    e.shape = static_cast<vn::ShapeType>(i % 4);
    e.keywords = "door slam wood heavy interior " + std::to_string(i % 50);
    e.folder = i % 10 == 0 ? "Doors" : "";
    e.weight = wave(i);
    e.intensity = wave(i + 1);
    s.events.push_back(e);
    for (int k = 0; k < kLayersPerEvent; ++k) {
      vn::Layer l;
      l.id = static_cast<uint32_t>(i * kLayersPerEvent + k + 1);
      l.name = "DOORWood_Slam_Heavy_" + std::to_string(k);
      l.filepath = "/libraries/foley/doors/DOORWood_Slam_Heavy_" + std::to_string((i + k) % 700) + ".wav";
      char id[17];
      std::snprintf(id, sizeof id, "%016x", (i * 31 + k) % 700);
      l.fileId = id;
      l.sourceOffset = 0.125f * k;
      l.sourceDuration = e.duration;
      l.startTime = e.time + 0.01f * k;
      l.duration = e.duration;
      l.weight = 1.0f / (k + 1);
      l.eventIdx = i;
      l.track = k;
      l.group = k % 3;
      l.groupTrack = k % 2;
      l.fmt = k % 2;
      l.layerGain = 0.8f;
      l.pitchShift = (k % 3) * 0.5f;
      s.results.push_back(l);
    }
  }
  return s;
}

struct Fixture {
  std::string folder;
  std::string path;
  std::string text;
  vn::Session session;

  Fixture() {
    vn::setLogSink([](vn::LogStream, const std::string&) {});
    folder = (std::filesystem::temp_directory_path() / "varnel-bench-project").string();
    std::filesystem::create_directories(folder);
    path = folder + "/reel.vnproj";
    session = reelSession();
    text = vn::projectDocumentText(session, {});
    if (!vn::saveProject(path, session)) std::abort();
  }
  ~Fixture() { std::filesystem::remove_all(folder); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_WriteDocumentText(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) benchmark::DoNotOptimize(vn::projectDocumentText(f.session, {}));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}

void BM_SaveProject(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state)
    if (!vn::saveProject(f.path, f.session)) state.SkipWithError("save failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}

void BM_LoadProject(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    vn::Session s;
    std::string error;
    if (!vn::loadProject(f.path, s, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(s.results.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}

void BM_ParseVarnel(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    vn::JsonValue root = vn::parseJsonText(f.text);
    benchmark::DoNotOptimize(root.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}

#ifdef VN_HAVE_NLOHMANN_JSON
void BM_ParseNlohmann(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    nlohmann::json root = nlohmann::json::parse(f.text);
    benchmark::DoNotOptimize(root.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}
BENCHMARK(BM_ParseNlohmann)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_ParseVarnel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDocumentText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

// Prints the console table, then the parse time of the peer over ours.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      realTime_[run.benchmark_name()] = run.GetAdjustedRealTime();
      cpuTime_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    printRatio("real", realTime_);
    printRatio("CPU", cpuTime_);
  }

 private:
  static void printRatio(const char* clock, const std::map<std::string, double>& times) {
    auto ours = times.find("BM_ParseVarnel");
    auto peer = times.find("BM_ParseNlohmann");
    if (ours != times.end() && peer != times.end() && ours->second > 0)
      std::printf("parse %s time, nlohmann::json / varnel: %.2f\n", clock, peer->second / ours->second);
  }

  std::map<std::string, double> realTime_;
  std::map<std::string, double> cpuTime_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("document: %d events, %d layers, %.1f MB\n", kEvents, kEvents * kLayersPerEvent,
              fixture().text.size() / 1e6);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
