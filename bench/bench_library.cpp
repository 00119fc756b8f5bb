// Library index and fingerprint throughput, each beside a peer that moves the same
// bytes without the work (plain write and read of the index text, plain reads of the
// fingerprinted spans and of whole files), so that the ratio shows the cost of the work.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "library/file_identity.h"
#include "library/index_file.h"
#include "platform/atomic_write.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kFiles = 10000;
constexpr size_t kFileSize = 160000;  // head and tail spans cover 131072 of it

std::string scratchFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

vn::Library sampleLibrary() {
  std::mt19937 gen(42);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  vn::Library library;
  library.folder = "/sfx/Bench Library";
  library.scanned = 1700000000;
  for (int i = 0; i < kRecords; ++i) {
    vn::LibraryRecord r;
    r.name = "DOORWood_Slam_Heavy_" + std::to_string(i);
    r.path = library.folder + "/Doors/Wood/" + r.name + ".wav";
    r.description = "Heavy wooden door slam, close perspective, some room tone";
    r.keywords = "door wood slam heavy close doors wood";
    char id[17];
    std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(gen()) << 32 | gen());
    r.fileId = id;
    r.contentHash = static_cast<uint64_t>(gen()) << 32 | gen();
    r.fileSize = 100000 + gen() % 5000000;
    r.modifiedTime = 1600000000 + gen() % 100000000;
    r.duration = 0.1f + 10.0f * unit(gen);
    r.sampleRate = 48000.0f;
    r.channels = 1 + static_cast<int>(gen() % 2);
    r.bitDepth = 24;
    for (float& s : r.bandShare) s = unit(gen);
    r.centroid = unit(gen);
    r.highRatio = unit(gen);
    r.brightness = unit(gen);
    r.rmsDb = -60.0f * unit(gen);
    r.pitchHz = 1000.0f * unit(gen);
    r.midiNote = static_cast<int>(gen() % 128);
    r.inharmonicity = unit(gen);
    library.records.push_back(r);
  }
  return library;
}

const vn::Library& library() {
  static const vn::Library lib = sampleLibrary();
  return lib;
}

std::string indexPath() { return scratchFolder() + "/Bench.vnlib"; }

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void BM_WriteLibraryFile(benchmark::State& state) {
  const vn::Library& lib = library();
  for (auto _ : state)
    if (!vn::WriteLibraryFile(lib, indexPath())) state.SkipWithError("write failed");
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_WriteSameBytesPlain(benchmark::State& state) {
  if (!vn::WriteLibraryFile(library(), indexPath())) state.SkipWithError("write failed");
  std::string text = readWhole(indexPath());
  for (auto _ : state)
    if (!vn::writeFileAtomic(scratchFolder() + "/Plain.txt", text).ok) state.SkipWithError("write failed");
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_ReadLibraryFile(benchmark::State& state) {
  if (!vn::WriteLibraryFile(library(), indexPath())) state.SkipWithError("write failed");
  for (auto _ : state) {
    vn::Library back;
    if (!vn::ReadLibraryFile(indexPath(), back) || back.records.size() != kRecords) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(back.records.data());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_ReadSameBytesPlain(benchmark::State& state) {
  if (!vn::WriteLibraryFile(library(), indexPath())) state.SkipWithError("write failed");
  for (auto _ : state) {
    std::string text = readWhole(indexPath());
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

const std::vector<std::string>& soundFiles() {
  static const std::vector<std::string> files = [] {
    std::string folder = scratchFolder() + "/sounds";
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    std::mt19937 gen(7);
    std::string bytes(kFileSize, '\0');
    for (int i = 0; i < kFiles; ++i) {
      for (size_t k = 0; k < bytes.size(); k += 4) bytes[k] = static_cast<char>(gen());
      paths.push_back(folder + "/sound_" + std::to_string(i) + ".wav");
      std::ofstream(paths.back(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return paths;
  }();
  return files;
}

void BM_ComputeFileFingerprint(benchmark::State& state) {
  const auto& files = soundFiles();
  for (auto _ : state)
    for (const std::string& path : files) benchmark::DoNotOptimize(vn::ComputeFileFingerprint(path));
  state.SetItemsProcessed(state.iterations() * kFiles);
}

// The same two spans read without hashing.
void BM_ReadFingerprintSpansPlain(benchmark::State& state) {
  const auto& files = soundFiles();
  std::vector<char> buf(65536);
  for (auto _ : state) {
    for (const std::string& path : files) {
      int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(::pread(fd, buf.data(), buf.size(), 0));
      benchmark::DoNotOptimize(::pread(fd, buf.data(), buf.size(), kFileSize - buf.size()));
      ::close(fd);
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

// What a whole-file read would cost.
void BM_ReadWholeFilesPlain(benchmark::State& state) {
  const auto& files = soundFiles();
  std::vector<char> buf(kFileSize);
  for (auto _ : state) {
    for (const std::string& path : files) {
      int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(::read(fd, buf.data(), buf.size()));
      ::close(fd);
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

BENCHMARK(BM_WriteLibraryFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteSameBytesPlain)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadLibraryFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadSameBytesPlain)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ComputeFileFingerprint)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadFingerprintSpansPlain)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadWholeFilesPlain)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(scratchFolder(), ec);
  return 0;
}
