// A full render of 200 events with four layers each, built from the demo sound
// library, against the time to merely decode the same source regions with
// libsndfile. Also the cache rebuild alone (streaming every layer again, no
// build) on the same session.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "library/libraries.h"
#include "library/scan.h"
#include "peer_report.h"
#include "render/render_pipeline.h"
#include "render/source_audio.h"
#include "tools/demo_library.h"

namespace {

constexpr int kEvents = 200;

struct Setup {
  std::string folder;
  vn::Session unbuilt;
  vn::Session built;
  bool ok = false;
};

void configure(vn::RenderPipeline& p, vn::Session& s) {
  p.session = &s;
  p.libraries = &vn::AppLibraries();
  p.options.seed = 11;
  p.options.nowSeconds = 5000;
}

const Setup& setup() {
  static const Setup s = [] {
    Setup out;
    out.folder = (std::filesystem::temp_directory_path() / "varnel_bench_render").string();
    std::filesystem::remove_all(out.folder);
    setenv("APPDATA", (out.folder + "/appdata").c_str(), 1);
    const auto lib = vn::tools::WriteDemoLibrary(out.folder + "/sounds");
    if (!lib.ok) return out;
    vn::ScanStatus status;
    status.running = true;
    vn::ScanRequest request;
    request.folder = out.folder + "/sounds";
    request.status = &status;
    vn::ScanFolder(request);
    const char* words[] = {"impact", "door", "whoosh", "metal", "glass", "water", "wood", "hit"};
    for (int i = 0; i < kEvents; ++i) {
      vn::Event e;
      e.time = 0.5f + 0.6f * i;
      e.duration = 1.0f;
      e.intensity = vn::flatCurve(0.75f);  // four layers a Spot
      e.keywords = words[i % 8];
      out.unbuilt.events.push_back(e);
    }
    out.unbuilt.settings.totalDuration = 0.5f + 0.6f * kEvents + 2.0f;
    out.built = out.unbuilt;
    vn::RenderPipeline p;
    configure(p, out.built);
    vn::FullRender(p, -1.0f, -1.0f);
    out.ok = !out.built.results.empty();
    return out;
  }();
  return s;
}

void BM_FullRender(benchmark::State& state) {
  const Setup& s = setup();
  if (!s.ok) return state.SkipWithError("the demo library could not be made");
  size_t layers = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vn::Session session = s.unbuilt;
    auto p = std::make_unique<vn::RenderPipeline>();  // a cold decoded-source cache
    configure(*p, session);
    state.ResumeTiming();
    vn::FullRender(*p, -1.0f, -1.0f);
    layers = session.results.size();
  }
  state.counters["layers"] = static_cast<double>(layers);
}
BENCHMARK(BM_FullRender)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CacheRebuild(benchmark::State& state) {
  const Setup& s = setup();
  if (!s.ok) return state.SkipWithError("the demo library could not be made");
  for (auto _ : state) {
    state.PauseTiming();
    vn::Session session = s.built;
    auto p = std::make_unique<vn::RenderPipeline>();
    configure(*p, session);
    state.ResumeTiming();
    vn::rebuildCache(*p, false);
  }
  state.counters["layers"] = static_cast<double>(s.built.results.size());
}
BENCHMARK(BM_CacheRebuild)->Unit(benchmark::kMillisecond)->Iterations(3);

// The peer: every layer's source region read and folded by libsndfile, nothing else.
void BM_DecodeRegions(benchmark::State& state) {
  const Setup& s = setup();
  if (!s.ok) return state.SkipWithError("the demo library could not be made");
  double seconds = 0;
  for (auto _ : state) {
    seconds = 0;
    for (const vn::Layer& l : s.built.results) {
      if (l.filepath.empty()) continue;
      const auto audio = vn::readSourceRegion(l.filepath, l.sourceOffset, l.sourceDuration, l.fmt);
      if (audio) seconds += static_cast<double>(audio->frames()) / audio->sampleRate;
    }
  }
  state.counters["audio_s"] = seconds;
}
BENCHMARK(BM_DecodeRegions)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return vn::bench::runWithRatios(argc, argv,
                                  {{"BM_FullRender/iterations:3", "BM_DecodeRegions/iterations:3"},
                                   {"BM_CacheRebuild/iterations:3", "BM_DecodeRegions/iterations:3"}});
}
