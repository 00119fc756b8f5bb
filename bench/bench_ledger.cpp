// The provenance ledger at the size of years of deliveries: 100,000 Prints. Finding
// one by its token (the index read included) and rebuilding the index from every
// record, each against the plain read of index.tsv measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "ledger/print_index.h"
#include "ledger/print_record.h"
#include "ledger/prints_folder.h"
#include "peer_report.h"
#include "platform/log.h"

namespace {

namespace fs = std::filesystem;
constexpr int kPrints = 100000;

struct Ledger {
  std::string root;
  std::string middleToken;
};

void writePlain(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Records and index written straight to disk: the setup is not what is measured,
// and a fsync per record would only measure the disk.
const Ledger& ledger() {
  static const Ledger made = [] {
    Ledger l;
    char pattern[] = "/tmp/varnel-bench-ledger-XXXXXX";
    l.root = ::mkdtemp(pattern);
    ::setenv("APPDATA", l.root.c_str(), 1);
    const std::string prints = vn::PrintsFolder();
    std::string index = std::string(vn::kIndexHeader) + "\n";
    const std::time_t start = 1700000000;
    for (int i = 0; i < kPrints; ++i) {
      uint8_t bytes[16];
      for (int b = 0; b < 16; ++b) bytes[b] = static_cast<uint8_t>((i * 2654435761u) >> (b % 4 * 8)) ^ static_cast<uint8_t>(b * 37 + i);
      bytes[0] = static_cast<uint8_t>(i);
      bytes[1] = static_cast<uint8_t>(i >> 8);
      bytes[2] = static_cast<uint8_t>(i >> 16);
      const vn::PrintIdentity id = vn::printIdentityOfBytes(bytes);
      vn::PrintOutput out;
      out.operation = i % 3 == 0 ? "export_mixdown" : "export_stem";
      out.outputPath = "/deliveries/reel" + std::to_string(i % 40) + "/file" + std::to_string(i) + ".wav";
      out.outputName = "file" + std::to_string(i) + ".wav";
      out.sampleRate = 48000;
      out.channels = 2;
      out.durationSec = 60.0 + i % 600;
      out.projectName = "Feature " + std::to_string(i % 25);
      vn::PrintRecordInput in;
      in.identity = &id;
      in.output = &out;
      in.createdUTC = vn::utcText(start + static_cast<std::time_t>(i) * 600);
      in.hashes.outputHash = 0x9e3779b97f4a7c15ull * static_cast<uint64_t>(i + 1);
      in.hashes.pcmHash = 0xc2b2ae3d27d4eb4full * static_cast<uint64_t>(i + 1);
      const std::string relative = vn::recordRelativePath(in.createdUTC, id.printId);
      fs::create_directories(fs::path(prints) / relative.substr(0, relative.rfind('/')));
      writePlain(prints + "/" + relative, vn::printRecordText(in));
      vn::PrintIndexEntry e;
      e.printId = id.printId;
      e.printToken = id.printToken;
      e.createdUTC = in.createdUTC;
      e.operation = out.operation;
      e.outputName = out.outputName;
      e.outputPath = out.outputPath;
      e.durationSec = out.durationSec;
      e.sampleRate = out.sampleRate;
      e.channels = out.channels;
      e.projectName = out.projectName;
      e.outputHash = vn::hashText(in.hashes.outputHash);
      e.pcmHash = vn::hashText(in.hashes.pcmHash);
      e.recordPath = relative;
      index += vn::indexRowText(e);
      if (i == kPrints / 2) l.middleToken = id.printToken;
    }
    writePlain(prints + "/" + vn::kIndexFileName, index);
    return l;
  }();
  return made;
}

void BM_PlainReadOfIndex(benchmark::State& state) {
  const std::string path = vn::PrintsFolder() + "/" + vn::kIndexFileName;
  size_t bytes = 0;
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_FindPrintsByToken(benchmark::State& state) {
  const std::string token = ledger().middleToken;
  size_t found = 0;
  for (auto _ : state) found = vn::FindPrints(vn::PrintKey::PrintToken, token).size();
  if (found != 1) state.SkipWithError("the token was not found exactly once");
}

void BM_RebuildIndex(benchmark::State& state) {
  for (auto _ : state)
    if (!vn::RebuildIndex()) state.SkipWithError("rebuild failed");
  state.counters["prints"] = static_cast<double>(vn::LoadIndex().entries.size());
}

BENCHMARK(BM_PlainReadOfIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPrintsByToken)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  vn::setLogSink([](vn::LogStream, const std::string&) {});
  std::fprintf(stderr, "writing %d records...\n", kPrints);
  const std::string root = ledger().root;
  const int status = vn::bench::runWithRatios(
      argc, argv,
      {{"BM_FindPrintsByToken", "BM_PlainReadOfIndex"}, {"BM_RebuildIndex/iterations:2", "BM_PlainReadOfIndex"}});
  fs::remove_all(root);
  return status;
}
