// Writing an AAF session of 5,000 clips (container and objects; the essence files
// are not part of it) against writing the same number of bytes as one plain file
// through the same atomic commit, in the same run. The goal is at most 3 times.
// The writer's phases are measured on their own as well: building the object graph,
// laying it into the container tree, and emitting the container's bytes to nowhere.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "export/aaf/aaf_composition.h"
#include "export/aaf/aaf_session.h"
#include "export/aaf/aaf_store.h"
#include "export/aaf/cfb_writer.h"
#include "peer_report.h"
#include "platform/atomic_write.h"

namespace {

std::string scratchPath(const char* name) {
  static const std::string dir = [] {
    const std::string d = std::filesystem::temp_directory_path().string() + "/vn-bench-aaf-" + std::to_string(getpid());
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir + "/" + name;
}

vn::aaf::Session fiveThousandClips() {
  vn::aaf::Session s;
  s.productVersion = "1.0.0";
  for (int t = 0; t < 10; ++t) {
    vn::aaf::Track track{"Track " + std::to_string(t + 1), t + 1, 1, "mono", {}};
    for (int c = 0; c < 500; ++c) {
      vn::aaf::Clip clip;
      clip.name = "DOORWood_Slam_" + std::to_string(t * 500 + c);
      clip.position = int64_t(c) * 96000;
      clip.length = 48000;
      clip.sourceOffset = 48000;
      clip.essencePath = "/home/user/Varnel/Export/Audio Files/" + clip.name + ".wav";
      clip.essenceLength = 144000;
      clip.wavSummary = std::string(44, 'h');
      clip.gain = c % 3 == 0 ? 0.5 : 1.0;
      track.clips.push_back(std::move(clip));
    }
    s.tracks.push_back(std::move(track));
  }
  return s;
}

void BM_WriteAaf5000Clips(benchmark::State& state) {
  const vn::aaf::Session session = fiveThousandClips();
  const std::string path = scratchPath("session.aaf");
  for (auto _ : state) {
    const auto outcome = vn::aaf::writeSessionFile(path, session);
    if (outcome.hr != vn::aaf::kAafOk) state.SkipWithError(outcome.error.c_str());
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_WriteAaf5000Clips)->Unit(benchmark::kMillisecond);

void BM_AafBuildGraph(benchmark::State& state) {
  const vn::aaf::Session session = fiveThousandClips();
  vn::aaf::Document doc;
  vn::aaf::WriteStats stats;
  for (auto _ : state) {
    vn::aaf::clearDocument(doc);
    benchmark::DoNotOptimize(vn::aaf::buildSessionDocument(session, doc, stats));
  }
  state.counters["objects"] = static_cast<double>(doc.objects.size());
}
BENCHMARK(BM_AafBuildGraph)->Unit(benchmark::kMillisecond);

void BM_AafLayOutContainer(benchmark::State& state) {
  const vn::aaf::Session session = fiveThousandClips();
  vn::aaf::Document doc;
  vn::cfb::Tree tree;
  vn::aaf::WriteStats stats;
  for (auto _ : state) {
    state.PauseTiming();
    vn::aaf::clearDocument(doc);
    vn::cfb::clearTree(tree);
    const vn::aaf::ObjectId header = vn::aaf::buildSessionDocument(session, doc, stats);
    state.ResumeTiming();
    vn::aaf::storeDocument(doc, header, tree);
  }
  state.counters["entries"] = static_cast<double>(tree.entries.size());
}
BENCHMARK(BM_AafLayOutContainer)->Unit(benchmark::kMillisecond);

void BM_AafEmitContainer(benchmark::State& state) {
  vn::aaf::Document doc;
  vn::cfb::Tree tree;
  vn::aaf::WriteStats stats;
  vn::aaf::storeDocument(doc, vn::aaf::buildSessionDocument(fiveThousandClips(), doc, stats), tree);
  std::string error;
  for (auto _ : state) {
    if (!vn::cfb::emitCompoundFile(tree, [](std::string_view) { return true; }, error)) state.SkipWithError(error.c_str());
  }
}
BENCHMARK(BM_AafEmitContainer)->Unit(benchmark::kMillisecond);

// The peer: the same number of bytes the AAF file has, as one plain file.
void BM_PlainFileSameBytes(benchmark::State& state) {
  const std::string aaf = scratchPath("session.aaf");
  if (!std::filesystem::exists(aaf)) vn::aaf::writeSessionFile(aaf, fiveThousandClips());
  const std::string bytes(std::filesystem::file_size(aaf), 'x');
  const std::string path = scratchPath("plain.bin");
  for (auto _ : state) {
    if (!vn::writeFileAtomic(path, bytes).ok) state.SkipWithError("plain write failed");
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_PlainFileSameBytes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result =
      vn::bench::runWithRatios(argc, argv, {{"BM_WriteAaf5000Clips", "BM_PlainFileSameBytes"}});
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(scratchPath("x")).parent_path(), ec);
  return result;
}
