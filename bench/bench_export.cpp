// Delivered files: a 10-minute 5.1 48 kHz Broadcast-WAV written by WriteBWFMulti
// against a plain libsndfile write of the same channel buffers to the same format
// (goal: at most 1.2 times). The plain write interleaves the buffers in slices as
// any writer of channel buffers must; a second peer is handed samples already
// interleaved, the floor no writer of channel buffers reaches. Then Find payloads
// on a file whose manifest is as large as the budget allows (goal: under 20 ms).
// Last, the whole delivery of the demo session against its render alone.
#include <sndfile.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "export/bwf_writer.h"
#include "export/export_job.h"
#include "export/render_to_file.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/payload_find.h"
#include "peer_report.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "ledger/print_hashes.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "platform/fnv.h"
#include "render/offline_mix.h"
#include "render/render_pipeline.h"
#include "render/render_wait.h"
#include "tools/demo_library.h"
#include "tools/demo_session.h"

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 6;
constexpr size_t kFrames = size_t{kRate} * 600;

struct Material {
  std::vector<std::vector<float>> planar;
  std::vector<float> interleaved;
};

// Ten minutes of six decorrelated tones with a little noise, well inside full scale.
const Material& material() {
  static const Material m = [] {
    Material out;
    out.planar.assign(kChannels, std::vector<float>(kFrames));
    std::minstd_rand random(3);
    for (int c = 0; c < kChannels; ++c) {
      const double hz = 110.0 * (c + 1);
      for (size_t i = 0; i < kFrames; ++i)
        out.planar[c][i] = static_cast<float>(0.4 * std::sin(2.0 * 3.14159265 * hz * i / kRate)) +
                           0.01f * static_cast<float>(random() % 1000) / 1000.0f;
    }
    out.interleaved.resize(kFrames * kChannels);
    for (size_t i = 0; i < kFrames; ++i)
      for (int c = 0; c < kChannels; ++c) out.interleaved[i * kChannels + c] = out.planar[c][i];
    return out;
  }();
  return m;
}

std::string scratchPath(const char* name) {
  return std::string(P_tmpdir) + "/varnel-bench-" + std::to_string(::getpid()) + "-" + name;
}

void BM_WriteBWFMulti51TenMinutes(benchmark::State& state) {
  const Material& m = material();
  const std::string path = scratchPath("ours.wav");
  const std::string ixml = vn::exportIxmlDocument("Bench mix");
  for (auto _ : state) {
    if (!vn::WriteBWFMulti(path, m.planar, vn::kMask51, kRate, 0.0, nullptr, false, true, ixml))
      state.SkipWithError("WriteBWFMulti failed");
    state.PauseTiming();
    ::unlink(path.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrames * kChannels * 3));
}
BENCHMARK(BM_WriteBWFMulti51TenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

SNDFILE* openPeer(const std::string& path) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = kChannels;
  info.format = SF_FORMAT_WAVEX | SF_FORMAT_PCM_24;
  return sf_open(path.c_str(), SFM_WRITE, &info);
}

void BM_PlainLibsndfileWrite51TenMinutes(benchmark::State& state) {
  const Material& m = material();
  const std::string path = scratchPath("peer.wav");
  constexpr size_t kSlice = 8192;
  std::vector<float> slice(kSlice * kChannels);
  for (auto _ : state) {
    SNDFILE* file = openPeer(path);
    for (size_t first = 0; file && first < kFrames; first += kSlice) {
      const size_t count = std::min(kSlice, kFrames - first);
      float* out = slice.data();
      for (size_t f = first; f < first + count; ++f)
        for (int c = 0; c < kChannels; ++c) *out++ = m.planar[c][f];
      if (sf_writef_float(file, slice.data(), count) != static_cast<sf_count_t>(count)) {
        state.SkipWithError("libsndfile write failed");
        break;
      }
    }
    if (!file) state.SkipWithError("libsndfile could not create the file");
    if (file) sf_close(file);
    state.PauseTiming();
    ::unlink(path.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrames * kChannels * 3));
}
BENCHMARK(BM_PlainLibsndfileWrite51TenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PreInterleavedLibsndfileWrite51TenMinutes(benchmark::State& state) {
  const Material& m = material();
  const std::string path = scratchPath("floor.wav");
  for (auto _ : state) {
    SNDFILE* file = openPeer(path);
    if (!file || sf_writef_float(file, m.interleaved.data(), kFrames) != static_cast<sf_count_t>(kFrames))
      state.SkipWithError("libsndfile write failed");
    if (file) sf_close(file);
    state.PauseTiming();
    ::unlink(path.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrames * kChannels * 3));
}
BENCHMARK(BM_PreInterleavedLibsndfileWrite51TenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

// A file whose manifest's Base64 is just under the 900 000-byte budget: many
// layers with the varied numbers and names a real build gives them.
struct ManifestFile {
  std::string path;
  size_t base64 = 0;
  size_t layers = 0;
};

const ManifestFile& manifestFile() {
  static const ManifestFile file = [] {
    std::minstd_rand random(11);
    std::vector<vn::Event> events(200);
    for (size_t i = 0; i < events.size(); ++i) {
      events[i].time = static_cast<float>(i) * 1.7f;
      events[i].keywords = "impact metal door " + std::to_string(i);
    }
    auto layer = [&](size_t i) {
      vn::Layer l;
      l.id = static_cast<uint32_t>(i + 1);
      l.name = "Layer " + std::to_string(i) + " METLImpt_" + std::to_string(random() % 100000);
      l.filepath = "/Libraries/Metal/METLImpt_Heavy Door " + std::to_string(random() % 5000) + ".wav";
      l.fileId = vn::format("%016llx", static_cast<unsigned long long>(random()) * 2654435761ull);
      l.sourceOffset = static_cast<float>(random() % 100000) / 1000.0f;
      l.startTime = static_cast<float>(random() % 600000) / 1000.0f;
      l.duration = static_cast<float>(random() % 5000) / 1000.0f;
      l.layerGain = static_cast<float>(random() % 1000) / 1000.0f;
      l.eventIdx = static_cast<int>(i % events.size());
      return l;
    };
    std::vector<vn::Layer> all;
    vn::ManifestInput input;
    input.events = &events;
    input.lookup = [](const std::string&) { return std::optional<vn::FileRef>(); };
    auto blockOf = [&](size_t count) {
      while (all.size() < count) all.push_back(layer(all.size()));
      const std::vector<vn::Layer> layers(all.begin(), all.begin() + static_cast<long>(count));
      input.blocks = &layers;
      return vn::manifestBlock(input);
    };
    // The most layers whose manifest still fits: doubled until it does not, then halved in between.
    size_t fits = 0, over = 1024;
    while (!blockOf(over).empty()) {
      fits = over;
      over *= 2;
    }
    while (over - fits > 8) {
      const size_t mid = (fits + over) / 2;
      (blockOf(mid).empty() ? over : fits) = mid;
    }
    const std::string block = blockOf(fits);
    ManifestFile out;
    out.path = scratchPath("manifest.wav");
    out.base64 = block.size();
    out.layers = fits;
    const std::string ixml = vn::insertPayloadBlock(vn::exportIxmlDocument("Bench"), block);
    const std::vector<float> x(4800, 0.1f);
    vn::WriteBWFStereo(out.path, x.data(), x.data(), 4800, kRate, 0.0, nullptr, ixml);
    return out;
  }();
  return file;
}

void BM_FindPayloadsLargestManifest(benchmark::State& state) {
  const ManifestFile& file = manifestFile();
  size_t found = 0;
  for (auto _ : state) {
    const auto payloads = vn::FindPayloads(file.path);
    found = payloads && payloads->manifest ? payloads->manifest->results.size() : 0;
    benchmark::DoNotOptimize(found);
  }
  if (found != file.layers) state.SkipWithError("the manifest did not read back whole");
  state.counters["manifest_b64"] = static_cast<double>(file.base64);
  state.counters["layers"] = static_cast<double>(file.layers);
}
BENCHMARK(BM_FindPayloadsLargestManifest)->Unit(benchmark::kMillisecond);

// The demo session built, then delivered whole (the AAF session, every WAV kind and the reverb stem)
// against the render alone of the same session to one mixdown file: the layers
// streamed, mixed and written (goal: the export at most 2 times the render). The
// delivery writes far more bytes than the render; a second peer adds a plain write
// of those bytes to the render, and the counters say where the time goes.
struct DemoDelivery {
  std::string folder;
  vn::Session built;
  bool ok = false;
};

// The sizes of the files of the last delivery, for the plain-write peers: as they
// read, and as they lie on the disk (silence in sound files is left as holes).
std::vector<uint64_t>& deliveryFileSizes() {
  static std::vector<uint64_t> sizes;
  return sizes;
}
std::vector<uint64_t>& deliveryDiskSizes() {
  static std::vector<uint64_t> sizes;
  return sizes;
}

const DemoDelivery& demoDelivery() {
  static const DemoDelivery d = [] {
    DemoDelivery out;
    out.folder = scratchPath("demo_delivery");
    std::filesystem::remove_all(out.folder);
    setenv("APPDATA", (out.folder + "/appdata").c_str(), 1);
    const std::string sounds = out.folder + "/sounds";
    if (!vn::tools::WriteDemoLibrary(sounds).ok) return out;
    vn::ScanStatus status;
    status.running = true;
    vn::ScanRequest request;
    request.folder = sounds;
    request.status = &status;
    vn::ScanFolder(request);
    out.built = vn::tools::MakeDemoSession(sounds);
    vn::RenderPipeline p;
    p.session = &out.built;
    p.libraries = &vn::AppLibraries();
    p.options.seed = 2026;
    p.options.nowSeconds = 5000;
    vn::FullRender(p, -1.0f, -1.0f);
    out.ok = !out.built.results.empty();
    return out;
  }();
  return d;
}

void BM_ExportDemoDelivery(benchmark::State& state) {
  const DemoDelivery& d = demoDelivery();
  if (!d.ok) return state.SkipWithError("the demo session could not be built");
  size_t files = 0;
  // Where the time goes: seconds per stage of the job, and the render before it.
  std::map<std::string, double> stageSeconds;
  for (auto _ : state) {
    state.PauseTiming();
    using Clock = std::chrono::steady_clock;
    Clock::time_point since = Clock::now();
    std::string stage = "render";
    const auto enter = [&](const std::string& next) {
      const Clock::time_point now = Clock::now();
      stageSeconds[stage] += std::chrono::duration<double>(now - since).count();
      stage = next;
      since = now;
    };
    vn::ExportWatch watch;
    watch.progress = [&](const char* status, double) {
      if (stage != status) enter(status);
    };
    vn::Session session = d.built;
    std::filesystem::remove_all(d.folder + "/delivery");
    vn::ExportRun run;
    run.options.folder = d.folder + "/delivery";
    run.options.baseName = "demo";
    run.options.formatAAF = true;
    run.options.wavMixdown = run.options.wavStems = run.options.wavTracks = run.options.wavClips = true;
    run.options.reverbStem = true;
    run.options.lufsIndex = 4;
    state.ResumeTiming();
    since = Clock::now();
    vn::renderAndExport(session, run, watch);
    enter("");
    files = run.written.size();
    state.PauseTiming();
    deliveryFileSizes().clear();
    deliveryDiskSizes().clear();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.options.folder)) {
      struct stat st {};
      if (!entry.is_regular_file() || ::stat(entry.path().c_str(), &st) != 0) continue;
      deliveryFileSizes().push_back(static_cast<uint64_t>(st.st_size));
      deliveryDiskSizes().push_back(std::min<uint64_t>(st.st_size, static_cast<uint64_t>(st.st_blocks) * 512));
    }
    state.ResumeTiming();
  }
  const std::map<std::string, std::string> counterNames{
      {"render", "s_render"},          {vn::kExportStatusFit, "s_fit"},     {vn::kExportStatusAAF, "s_aaf"},
      {vn::kExportStatusMix, "s_mix"}, {vn::kExportStatusStems, "s_stems"}, {vn::kExportStatusTracks, "s_tracks"},
      {vn::kExportStatusClips, "s_clips"}, {vn::kExportStatusProvenance, "s_ledger"}};
  for (const auto& [status, seconds] : stageSeconds)
    if (counterNames.count(status)) state.counters[counterNames.at(status)] = seconds / state.iterations();
  state.counters["files"] = static_cast<double>(files);
  state.counters["layers"] = static_cast<double>(d.built.results.size());
  uint64_t bytes = 0;
  uint64_t diskBytes = 0;
  for (uint64_t size : deliveryFileSizes()) bytes += size;
  for (uint64_t size : deliveryDiskSizes()) diskBytes += size;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["MB_disk"] = static_cast<double>(diskBytes) / 1e6;
  // Of that, what fingerprinting every delivered file costs (the ledger's sample hash
  // reads each one whole), measured alone on one thread after the runs.
  const auto t0 = std::chrono::steady_clock::now();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(d.folder + "/delivery"))
    if (entry.is_regular_file() && entry.path().extension() == ".wav") vn::ComputeOutputHashes(entry.path().string());
  state.counters["s_hashing"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
// CPU time of every thread of the process: the render's own work runs on its pool.
BENCHMARK(BM_ExportDemoDelivery)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

// The render alone: the built demo to one mixdown file at -23 LUFS. False on failure.
bool renderDemoMixdown(const DemoDelivery& d, benchmark::State& state) {
  state.PauseTiming();
  vn::Session session = d.built;
  vn::RenderFileRequest request;
  request.output = d.folder + "/render.wav";
  request.loudnessIndex = 4;
  vn::RenderFileResult result;
  std::string error;
  state.ResumeTiming();
  if (vn::renderSessionToFiles(session, request, result, error)) return true;
  state.SkipWithError(error.c_str());
  return false;
}

void BM_RenderDemoMixdown(benchmark::State& state) {
  const DemoDelivery& d = demoDelivery();
  if (!d.ok) return state.SkipWithError("the demo session could not be built");
  for (auto _ : state)
    if (!renderDemoMixdown(d, state)) return;
}
BENCHMARK(BM_RenderDemoMixdown)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

// As many plain files of the given sizes as the export wrote, a megabyte per write.
bool plainWriteOfDeliveryBytes(const std::string& folder, const std::vector<uint64_t>& sizes) {
  static const std::vector<char> chunk(1 << 20, 'x');
  for (size_t i = 0; i < sizes.size(); ++i) {
    const int fd = ::open((folder + "/" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    for (uint64_t left = sizes[i]; left > 0;) {
      const ssize_t n = ::write(fd, chunk.data(), std::min<uint64_t>(left, chunk.size()));
      if (n <= 0) break;
      left -= static_cast<uint64_t>(n);
    }
    ::close(fd);
  }
  return true;
}

// The least any delivery of these bytes costs: the same render, then the plain write.
void BM_RenderDemoThenPlainWriteOfItsDeliveryBytes(benchmark::State& state) {
  const DemoDelivery& d = demoDelivery();
  if (!d.ok || deliveryFileSizes().empty()) return state.SkipWithError("run BM_ExportDemoDelivery first");
  const std::string folder = d.folder + "/plain";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    state.ResumeTiming();
    if (!renderDemoMixdown(d, state)) return;
    if (!plainWriteOfDeliveryBytes(folder, deliveryFileSizes())) return state.SkipWithError("plain write failed");
  }
}
BENCHMARK(BM_RenderDemoThenPlainWriteOfItsDeliveryBytes)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

// What every delivery of the demo must do beyond the render peer, by the delivery's
// own rules, done as cheaply as it can be: every bus mixed on its own with its own
// reverb (the stems, whose sum is the mixdown), the delivered bytes that reach the
// disk written plainly, and the sample hash every delivered file's Print keeps, from
// samples already in memory. Not counted: the tracks, clips and AAF essence mixed, the manifests'
// level-9 deflate, the AAF file and the ledger. This peer shows how near to the
// render any export of this delivery can come.
struct DecodedDelivery {
  std::vector<std::vector<int32_t>> files;  // each file's samples as the hash reads them
};

const DecodedDelivery& decodedDelivery(const DemoDelivery& d) {
  static const DecodedDelivery decoded = [&] {
    DecodedDelivery out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(d.folder + "/delivery")) {
      if (!entry.is_regular_file() || entry.path().extension() != ".wav") continue;
      SF_INFO info{};
      SNDFILE* file = sf_open(entry.path().c_str(), SFM_READ, &info);
      if (!file) continue;
      std::vector<int32_t> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
      sf_readf_int(file, samples.data(), info.frames);
      sf_close(file);
      out.files.push_back(std::move(samples));
    }
    std::sort(out.files.begin(), out.files.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return out;
  }();
  return decoded;
}

void BM_RenderDemoThenTheFloorOfItsDelivery(benchmark::State& state) {
  const DemoDelivery& d = demoDelivery();
  if (!d.ok || deliveryFileSizes().empty()) return state.SkipWithError("run BM_ExportDemoDelivery first");
  const DecodedDelivery& decoded = decodedDelivery(d);
  // The layers rendered once, as the export renders them once for all its kinds.
  vn::Session session = d.built;
  vn::RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &vn::AppLibraries();
  if (!vn::RenderLayersAndWait(pipeline, {}, {})) return state.SkipWithError("the layers could not be rendered");
  std::vector<int> busses;
  for (int k = 0; k < session.trackLayout.busCount; ++k) busses.push_back(session.trackLayout.busOrder[k]);
  vn::OfflineMixRequest request;
  request.settings = vn::mixSettingsFromSession(session, 0.0f, 0.0f, vn::MonitorFormat{});
  request.end = vn::cacheEndSeconds(pipeline.cache, session.settings.totalDuration);
  const std::string folder = d.folder + "/floor";
  uint64_t hashes = 0;
  // Seconds per part, to say which of them keeps the floor where it is.
  double renderSeconds = 0.0, stemSeconds = 0.0, writeSeconds = 0.0, hashSeconds = 0.0;
  using Clock = std::chrono::steady_clock;
  const auto lap = [](Clock::time_point& since, double& into) {
    const Clock::time_point now = Clock::now();
    into += std::chrono::duration<double>(now - since).count();
    since = now;
  };
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    // The last round's files reach the disk now, not while this round is measured
    // (the export's ledger stage flushes its own files, so it starts clean too).
    ::sync();
    state.ResumeTiming();
    Clock::time_point since = Clock::now();
    if (!renderDemoMixdown(d, state)) return;
    lap(since, renderSeconds);
    std::vector<vn::MixdownBuffer> stems;
    vn::MixdownBuffer mix, wet;
    if (!vn::renderBusStems(pipeline.cache, request, busses, stems, &mix, &wet))
      return state.SkipWithError("the stems could not be mixed");
    lap(since, stemSeconds);
    if (!plainWriteOfDeliveryBytes(folder, deliveryDiskSizes())) return state.SkipWithError("plain write failed");
    lap(since, writeSeconds);
    // Files of like length side by side, as the export's fingerprinting hashes them.
    for (size_t first = 0; first < decoded.files.size(); first += vn::kFnvMaxLanes) {
      const int lanes = static_cast<int>(std::min<size_t>(vn::kFnvMaxLanes, decoded.files.size() - first));
      uint64_t h[vn::kFnvMaxLanes];
      const int32_t* from[vn::kFnvMaxLanes];
      size_t common = decoded.files[first].size();
      for (int k = 0; k < lanes; ++k) {
        h[k] = vn::kFnvStart;
        from[k] = decoded.files[first + k].data();
        common = std::min(common, decoded.files[first + k].size());
      }
      vn::fnvFeedSampleLanes(h, from, lanes, common);
      for (int k = 0; k < lanes; ++k) {
        const auto& samples = decoded.files[first + k];
        hashes ^= vn::fnvFeedSamples(h[k], samples.data() + common, samples.size() - common);
      }
    }
    lap(since, hashSeconds);
  }
  benchmark::DoNotOptimize(hashes);
  const double n = static_cast<double>(state.iterations());
  state.counters["busses"] = static_cast<double>(busses.size());
  state.counters["wavs"] = static_cast<double>(decoded.files.size());
  state.counters["s_render"] = renderSeconds / n;
  state.counters["s_stems"] = stemSeconds / n;
  state.counters["s_write"] = writeSeconds / n;
  state.counters["s_hash"] = hashSeconds / n;
}
BENCHMARK(BM_RenderDemoThenTheFloorOfItsDelivery)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  vn::setLogSink([](vn::LogStream, const std::string&) {});  // the manifest lines of the setup
  const int result = vn::bench::runWithRatios(
      argc, argv,
      {{"BM_WriteBWFMulti51TenMinutes/iterations:3", "BM_PlainLibsndfileWrite51TenMinutes/iterations:3"},
       {"BM_WriteBWFMulti51TenMinutes/iterations:3", "BM_PreInterleavedLibsndfileWrite51TenMinutes/iterations:3"},
       {"BM_ExportDemoDelivery/iterations:3/process_time", "BM_RenderDemoMixdown/iterations:3/process_time"},
       {"BM_ExportDemoDelivery/iterations:3/process_time",
        "BM_RenderDemoThenPlainWriteOfItsDeliveryBytes/iterations:3/process_time"},
       {"BM_RenderDemoThenTheFloorOfItsDelivery/iterations:3/process_time",
        "BM_RenderDemoMixdown/iterations:3/process_time"},
       {"BM_ExportDemoDelivery/iterations:3/process_time",
        "BM_RenderDemoThenTheFloorOfItsDelivery/iterations:3/process_time"}});
  ::unlink(scratchPath("manifest.wav").c_str());
  std::filesystem::remove_all(scratchPath("demo_delivery"));
  return result;
}
