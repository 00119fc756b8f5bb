#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <numbers>

#include "export/aaf/aaf_reader.h"
#include "export/bwf_failure_reason.h"
#include "export/export_job.h"
#include "ledger/print_index.h"
#include "export/payload_find.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "render/loudness.h"
#include "render/render_wait.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

double seconds(const ExportedFile& f) { return f.sampleRate > 0 ? static_cast<double>(f.frames) / f.sampleRate : 0.0; }

std::vector<std::string> filesUnder(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::vector<float>> readPlanar(const std::string& path, int& rate) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> inter(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(f, inter.data(), info.frames);
  sf_close(f);
  rate = info.samplerate;
  std::vector<std::vector<float>> planar(info.channels, std::vector<float>(info.frames));
  for (sf_count_t i = 0; i < info.frames; ++i)
    for (int c = 0; c < info.channels; ++c) planar[c][i] = inter[i * info.channels + c];
  return planar;
}

float loudnessOf(const std::string& path) {
  int rate = 0;
  const auto planar = readPlanar(path, rate);
  if (planar.size() != 2) return kSilentLufs;
  return integratedLoudness(planar[0].data(), planar[1].data(), static_cast<long>(planar[0].size()), rate);
}

// Ten layers of three tones on two busses, one muted, rendered into the cache.
struct ExportJobFixture : ::testing::Test {
  TempDir dir;
  LibraryList libraries;
  Session session;
  RenderPipeline pipeline;
  std::string out;

  void SetUp() override {
    out = dir.file("delivery");
    const double freqs[3] = {220.0, 550.0, 1320.0};
    std::vector<std::string> sources;
    for (int k = 0; k < 3; ++k) {
      std::vector<float> x(4 * 48000);
      for (size_t i = 0; i < x.size(); ++i)
        x[i] = 0.2f * static_cast<float>(std::sin(2.0 * std::numbers::pi * freqs[k] * i / 48000.0));
      sources.push_back(dir.file("tone" + std::to_string(k) + ".wav"));
      tools::SoundFileSpec fileSpec;
      fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
      std::string error;
      ASSERT_TRUE(tools::WriteSoundFile(sources.back(), fileSpec, {x}, error)) << error;
    }
    session.settings.totalDuration = 8.0f;
    session.reverb.enabled = false;
    for (int i = 0; i < 11; ++i) {
      Event e;
      e.time = 0.5f + 0.6f * i;
      e.duration = 1.0f;
      e.keywords = "tone " + std::to_string(i);
      e.locked = true;
      e.groupOverride = i % 2;
      session.events.push_back(e);
      Layer l;
      l.id = 10 + i;
      l.name = "tone " + std::to_string(i) + ".wav";
      l.filepath = sources[i % 3];
      l.eventIdx = i;
      l.startTime = e.time;
      l.duration = 1.0f;
      l.sourceOffset = 0.5f;
      l.sourceDuration = 1.0f;
      l.group = i % 2;
      l.muted = i == 10;
      session.results.push_back(l);
    }
    pipeline.session = &session;
    pipeline.libraries = &libraries;
    ASSERT_TRUE(RenderLayersAndWait(pipeline, {}, {}));
  }

  ExportRun run(ExportOptions o, const ExportFileWriter& writer = writeExportFile, const ExportWatch& watch = {}) {
    ExportRun r;
    o.folder = o.folder.empty() ? out : o.folder;
    o.baseName = "Reel 1";
    o.formatAAF = false;
    r.options = o;
    test::LogCapture quiet;
    runExportJob(session, pipeline, r, watch, writer);
    return r;
  }
};

ExportOptions only(bool mixdown, bool stems, bool tracks, bool clips) {
  ExportOptions o;
  o.wavMixdown = mixdown;
  o.wavStems = stems;
  o.wavTracks = tracks;
  o.wavClips = clips;
  o.reverbStem = false;
  return o;
}

TEST_F(ExportJobFixture, OnlyClipsWritesOneFilePerUnmutedLayerWithHandlesAndPayloads) {
  ExportOptions o = only(false, false, false, true);
  o.handleDuration = 1.0f;
  const ExportRun r = run(o);
  EXPECT_EQ(r.resultText, "Export complete - 10 files");
  auto files = filesUnder(out);
  ASSERT_EQ(files.size(), 12u);
  // Beside the clips: the delivery report and the sidecar of the run's Prints.
  EXPECT_EQ(files[10], "Reel 1 delivery.txt");
  EXPECT_EQ(files[11], "Reel 1.vnprints.json");
  files.resize(10);
  for (const auto& f : files) EXPECT_EQ(f.rfind("Clips/", 0), 0u) << f;
  std::set<std::string> prints;
  for (const ExportedFile& f : r.written) {
    EXPECT_EQ(f.kind, "clip");
    EXPECT_EQ(f.channels, 1);
    prints.insert(f.print.printId);
    // Every file is in the ledger as its own Print, of its own event alone.
    const auto found = FindPrints(PrintKey::PrintId, f.print.printId);
    ASSERT_EQ(found.size(), 1u) << f.path;
    EXPECT_EQ(found[0].operation, "export_clip");
    EXPECT_EQ(found[0].outputPath, f.path);
    EXPECT_EQ(f.eventIndices.size(), 1u);
  }
  EXPECT_EQ(prints.size(), 10u);  // a fresh identity per file
  // The first layer starts 0.5 s into the timeline and 0.5 s into its 4 s source:
  // its head handle is 0.5 s (the timeline's start), its tail the full second.
  const ExportedFile& first = r.written[0];
  EXPECT_NEAR(first.startSeconds, 0.0, 1e-4);
  EXPECT_NEAR(seconds(first), 2.5, 1e-3);
  const auto payloads = FindPayloads(first.path);
  ASSERT_TRUE(payloads && payloads->manifest);
  EXPECT_EQ(payloads->manifest->printId, first.print.printId);
  ASSERT_EQ(payloads->manifest->results.size(), 1u);
  EXPECT_EQ(payloads->recipeEvents.size(), 1u);  // its own event's recipe
  // A later clip's manifest carries the same one event as its recipe, and its layer
  // points at it, not at its position in the session.
  const ExportedFile& later = r.written.back();
  ASSERT_EQ(later.eventIndices.size(), 1u);
  ASSERT_GT(later.eventIndices[0], 0);
  const auto laterPayloads = FindPayloads(later.path);
  ASSERT_TRUE(laterPayloads && laterPayloads->manifest);
  ASSERT_EQ(laterPayloads->manifest->events.size(), 1u);
  ASSERT_EQ(laterPayloads->recipeEvents.size(), 1u);
  const Event& own = session.events[static_cast<size_t>(later.eventIndices[0])];
  EXPECT_EQ(laterPayloads->manifest->events[0].time, own.time);
  EXPECT_EQ(laterPayloads->recipeEvents[0].time, own.time);
  ASSERT_EQ(laterPayloads->manifest->results.size(), 1u);
  EXPECT_EQ(laterPayloads->manifest->results[0].eventIdx, 0);
  // Faded at both ends, sounding in the middle.
  int rate = 0;
  const auto planar = readPlanar(first.path, rate);
  ASSERT_EQ(planar.size(), 1u);
  EXPECT_NEAR(planar[0].front(), 0.0f, 1e-4);
  EXPECT_NEAR(planar[0].back(), 0.0f, 1e-4);
  float peak = 0.0f;
  for (float v : planar[0]) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.1f);

  ExportOptions full = o;
  full.handleFullSource = true;
  full.folder = dir.file("full");
  const ExportRun f = run(full);
  ASSERT_FALSE(f.written.empty());
  EXPECT_NEAR(seconds(f.written[1]), 4.0 - (0.5 + 1.1 - 1.1) + 0.0, 0.6);  // the whole 4 s source, up to the timeline start
  EXPECT_GT(seconds(f.written[1]), seconds(r.written[1]));
}

TEST_F(ExportJobFixture, LoudnessTargetAppliesToTheMixdownOnlyAndStemsSumToIt) {
  const ExportRun plain = run(only(true, true, false, false));
  ASSERT_EQ(plain.written.size(), 3u) << plain.resultText;  // mixdown and two stems
  EXPECT_EQ(plain.written[0].kind, "mixdown");
  const std::string mix = plain.written[0].path;
  EXPECT_EQ(fileNameOf(mix), "Reel 1.wav");
  int rate = 0;
  const auto mixed = readPlanar(mix, rate);
  auto stemA = readPlanar(plain.written[1].path, rate);
  const auto stemB = readPlanar(plain.written[2].path, rate);
  ASSERT_EQ(mixed.size(), 2u);
  ASSERT_EQ(stemA.size(), 2u);
  double worst = 0.0;
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < mixed[c].size(); ++i)
      worst = std::max(worst, std::fabs(double(stemA[c][i]) + stemB[c][i] - mixed[c][i]));
  EXPECT_LT(worst, 3.0 / 8388608.0);  // 24-bit rounding of three files
  const float asRendered = loudnessOf(mix);

  ExportOptions target = only(true, true, false, false);
  target.lufsIndex = 4;
  target.folder = dir.file("loud");
  const ExportRun loud = run(target);
  ASSERT_EQ(loud.written.size(), 3u);
  EXPECT_NEAR(loudnessOf(loud.written[0].path), -23.0f, 0.1f);
  EXPECT_NEAR(loudnessOf(loud.written[1].path), loudnessOf(plain.written[1].path), 0.01f);
  EXPECT_GT(std::fabs(asRendered + 23.0f), 1.0f);  // the target really changed the level
}

double worstDifference(const std::string& a, const std::string& b) {
  int rate = 0;
  const auto x = readPlanar(a, rate), y = readPlanar(b, rate);
  if (x.empty() || x.size() != y.size()) return 1e9;
  double worst = 0.0;
  for (size_t c = 0; c < x.size(); ++c) {
    if (x[c].size() != y[c].size()) return 1e9;
    for (size_t i = 0; i < x[c].size(); ++i) worst = std::max(worst, std::fabs(double(x[c][i]) - y[c][i]));
  }
  return worst;
}

TEST_F(ExportJobFixture, MixesSharedWithTheStemsEqualPassesOfTheirOwn) {
  // With the stems asked for, the mixdown and the wet return are the sums of the
  // busses' own mixes; without, each is mixed on its own. Both must give the same
  // files, with the reverb on, in stereo and in 5.1.
  session.reverb.enabled = true;
  constexpr double kTwoSteps = 2.0 / 8388608.0;
  for (int layout : {0, 1}) {
    ExportOptions shared = only(true, true, false, false);
    shared.wavLayout = layout;
    shared.reverbStem = true;
    shared.folder = dir.file("shared" + std::to_string(layout));
    const ExportRun a = run(shared);
    ASSERT_EQ(a.written.size(), 4u) << a.resultText;  // mixdown, two stems, reverb
    ExportOptions own = shared;
    own.wavStems = false;
    own.folder = dir.file("own" + std::to_string(layout));
    const ExportRun b = run(own);
    ASSERT_EQ(b.written.size(), 2u) << b.resultText;
    EXPECT_LT(worstDifference(a.written[0].path, b.written[0].path), kTwoSteps) << layout;
    EXPECT_LT(worstDifference(a.written.back().path, b.written.back().path), kTwoSteps) << layout;
    EXPECT_EQ(a.written.back().kind, "reverb");
    // The reverb is in the mix: a mix without it differs by far more than rounding.
    ExportOptions dry = own;
    dry.folder = dir.file("dry" + std::to_string(layout));
    session.reverb.enabled = false;
    const ExportRun c = run(dry);
    session.reverb.enabled = true;
    ASSERT_EQ(c.written.size(), 1u);
    EXPECT_GT(worstDifference(a.written[0].path, c.written[0].path), 1e-3) << layout;
  }
  // The AAF alone mixes the return on its own pass; its reverb file is the same.
  ExportRun aaf;
  aaf.options = only(false, false, false, false);
  aaf.options.formatWAV = false;
  aaf.options.formatAAF = true;
  aaf.options.reverbStem = true;
  aaf.options.aafMultichannelTracks = true;
  aaf.options.folder = dir.file("aaf-alone");
  aaf.options.baseName = "Reel 1";
  ExportRun both;
  both.options = aaf.options;
  both.options.formatWAV = true;
  both.options.wavMixdown = both.options.wavStems = true;
  both.options.folder = dir.file("aaf-with-stems");
  {
    test::LogCapture quiet;
    runExportJob(session, pipeline, aaf);
    runExportJob(session, pipeline, both);
  }
  ASSERT_EQ(aaf.resultText.rfind("Export complete - ", 0), 0u) << aaf.resultText;
  ASSERT_EQ(both.resultText.rfind("Export complete - ", 0), 0u) << both.resultText;
  EXPECT_LT(worstDifference(aaf.options.folder + "/Audio Files/Reverb.wav",
                            both.options.folder + "/Audio Files/Reverb.wav"),
            kTwoSteps);
  EXPECT_LT(worstDifference(both.options.folder + "/Audio Files/Reverb.wav", both.options.folder + "/Reel 1 - Reverb.wav"),
            kTwoSteps);
}

// Fails the k-th call of the writer seam the way a folder that cannot take the
// file fails it: the real writer, given a path it cannot create.
ExportFileWriter failingAt(int k, int* calls) {
  return [k, calls](const ExportFileSpec& fileSpec, const BwfWriteOptions& options) {
    ExportFileSpec moved = fileSpec;
    if (++*calls == k || k == 0) moved.path = "/nonexistent-folder/" + fileNameOf(fileSpec.path);
    return writeExportFile(moved, options);
  };
}

TEST_F(ExportJobFixture, OneFailedClipKeepsTheOthersAndEveryFailureRemovesTheRun) {
  int calls = 0;
  const ExportRun third = run(only(false, false, false, true), failingAt(3, &calls));
  EXPECT_EQ(third.resultText, "Export complete - 9 files - an essence file could not be created");
  EXPECT_EQ(filesUnder(out).size(), 9u + 2u);  // with the report and the sidecar
  EXPECT_FALSE(exportRunFailed(third));

  calls = 0;
  const std::string none = dir.file("none");
  ExportOptions all = only(true, true, true, true);
  all.folder = none;
  const ExportRun failed = run(all, failingAt(0, &calls));
  EXPECT_EQ(failed.resultText, "Export FAILED - no files were written - a stereo file could not be created");
  EXPECT_TRUE(exportRunFailed(failed));
  EXPECT_STREQ(exportNotice(failed), "Export failed");
  EXPECT_FALSE(fs::exists(none));  // its folders went too
  EXPECT_GT(calls, 10);
}

TEST_F(ExportJobFixture, EveryFilePositionOfAFullExportCanFailAlone) {
  // Four layers keep the many runs short.
  session.results.resize(4);
  session.settings.totalDuration = 3.5f;
  clearCache(pipeline.cache);
  ASSERT_TRUE(RenderLayersAndWait(pipeline, {}, {}));
  session.reverb.enabled = true;
  ExportOptions all = only(true, true, true, true);
  all.reverbStem = true;
  all.folder = dir.file("whole");
  const ExportRun whole = run(all);
  const int total = static_cast<int>(whole.written.size());
  std::set<int> tracks;
  for (const Layer& l : session.results)
    if (!l.muted) tracks.insert(l.track);
  ASSERT_EQ(total, 1 + 2 + static_cast<int>(tracks.size()) + 4 + 1) << whole.resultText;  // mix, stems, tracks, clips, reverb
  EXPECT_EQ(whole.written.back().kind, "reverb");
  EXPECT_EQ(fileNameOf(whole.written.back().path), "Reel 1 - Reverb.wav");
  for (int k = 1; k <= total; ++k) {
    int calls = 0;
    all.folder = dir.file("k" + std::to_string(k));
    const ExportRun r = run(all, failingAt(k, &calls));
    EXPECT_EQ(static_cast<int>(r.written.size()), total - 1) << k;
    EXPECT_EQ(filesUnder(all.folder).size(), static_cast<size_t>(total - 1 + 2)) << k;  // the report and sidecar too
    EXPECT_EQ(r.resultText.rfind("Export complete - " + std::to_string(total - 1) + " files - ", 0), 0u) << r.resultText;
    const std::string lost = fileNameOf(whole.written[k - 1].path);
    for (const ExportedFile& f : r.written) EXPECT_NE(f.path, all.folder + "/" + lost) << k;
  }
}

TEST_F(ExportJobFixture, TheAafCarriesTheWetReverbAsItsOwnTracksWhenTheStemIsAsked) {
  session.reverb.enabled = true;
  ExportRun r;
  r.options = only(true, false, false, false);
  r.options.folder = dir.file("aaf");
  r.options.baseName = "Reel 1";
  r.options.formatAAF = true;
  r.options.aafMultichannelTracks = false;
  r.options.reverbStem = true;
  {
    test::LogCapture quiet;
    runExportJob(session, pipeline, r);
  }
  ASSERT_EQ(r.resultText.rfind("Export complete - ", 0), 0u) << r.resultText;
  std::string error;
  const auto aaf = aaf::readSessionFile(r.options.folder + "/Reel 1.aaf", error);
  ASSERT_TRUE(aaf) << error;
  ASSERT_GE(aaf->tracks.size(), 2u);
  // Multi-mono: the wet return's two sides, after the busses.
  EXPECT_EQ(aaf->tracks[aaf->tracks.size() - 2].name, "Reverb L");
  EXPECT_EQ(aaf->tracks.back().name, "Reverb R");
  ASSERT_FALSE(aaf->tracks.back().clips.empty());
  EXPECT_NE(aaf->tracks.back().clips[0].sourceUrl.find("Reverb.R.wav"), std::string::npos);
  // The reverb stem file comes from the same mix of the return as the AAF's tracks.
  int reverbFiles = 0;
  for (const ExportedFile& f : r.written) reverbFiles += f.kind == "reverb";
  EXPECT_EQ(reverbFiles, 1);
  int rate = 0;
  const auto stem = readPlanar(r.options.folder + "/Reel 1 - Reverb.wav", rate);
  const auto right = readPlanar(r.options.folder + "/Audio Files/Reverb.R.wav", rate);
  ASSERT_EQ(stem.size(), 2u);
  ASSERT_EQ(right.size(), 1u);
  ASSERT_EQ(stem[1].size(), right[0].size());
  double energy = 0.0;
  for (size_t i = 0; i < right[0].size(); ++i) {
    ASSERT_NEAR(stem[1][i], right[0][i], 2.0 / (1 << 23)) << i;
    energy += right[0][i] * right[0][i];
  }
  EXPECT_GT(energy, 0.0);
  // An essence file of one layer carries that layer's event alone, in its recipe and
  // its manifest; the reverb's files are made from the whole session and their recipe
  // carries it all.
  int essences = 0;
  for (const auto& entry : fs::directory_iterator(r.options.folder + "/Audio Files")) {
    const auto payloads = FindPayloads(entry.path().string());
    ASSERT_TRUE(payloads) << entry.path();
    const bool reverb = entry.path().filename().string().rfind("Reverb", 0) == 0;
    const size_t expected = reverb ? session.events.size() : 1u;
    EXPECT_EQ(payloads->recipeEvents.size(), expected) << entry.path();
    if (reverb) continue;
    ++essences;
    ASSERT_TRUE(payloads->manifest) << entry.path();
    ASSERT_EQ(payloads->manifest->events.size(), 1u) << entry.path();
    ASSERT_EQ(payloads->manifest->results.size(), 1u) << entry.path();
    EXPECT_EQ(payloads->manifest->results[0].eventIdx, 0);
    EXPECT_EQ(payloads->manifest->events[0].time, payloads->recipeEvents[0].time);
  }
  EXPECT_GT(essences, 1);
}

TEST_F(ExportJobFixture, UnwritableFolderFileSizeLimitAndCancelLeaveNothing) {
  // A folder this process may not write into: a read-only one, or for root (who
  // may write anywhere on a disk) a place in /proc.
  std::string locked = dir.file("locked");
  if (geteuid() == 0) {
    locked = "/proc/vn-export-test";
  } else {
    fs::create_directory(locked);
    chmod(locked.c_str(), 0555);
  }
  ExportOptions o = only(true, false, false, true);
  o.folder = locked + "/out";
  const ExportRun ro = run(o);
  EXPECT_EQ(ro.resultText.rfind("Export FAILED - no files were written - ", 0), 0u) << ro.resultText;
  EXPECT_FALSE(fs::exists(o.folder));

  // The file-size limit hits the mixdown mid-file: the writer finds the short write.
  o = only(true, false, false, false);
  o.folder = dir.file("limited");
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = before;
  limited.rlim_cur = 256 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const ExportRun cut = run(o);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(cut.resultText, "Export FAILED - no files were written - a stereo file was cut short mid-write");
  EXPECT_TRUE(filesUnder(o.folder).empty());

  // Cancelled during the clips: what the mix wrote goes too.
  o = only(true, false, false, true);
  o.folder = dir.file("cancelled");
  ExportWatch watch;
  bool clipsStarted = false;
  watch.progress = [&](const char* status, double) { clipsStarted |= std::string(status) == kExportStatusClips; };
  watch.cancelled = [&] { return clipsStarted; };
  const ExportRun stopped = run(o, writeExportFile, watch);
  EXPECT_EQ(stopped.resultText, kExportCancelled);
  EXPECT_FALSE(fs::exists(o.folder));
}

TEST_F(ExportJobFixture, StatusTextsComeInTheOrderOfTheKinds) {
  session.reverb.enabled = true;
  ExportOptions o = only(true, true, true, true);
  o.reverbStem = true;
  std::vector<std::string> seen;
  ExportWatch watch;
  watch.progress = [&](const char* status, double) {
    if (seen.empty() || seen.back() != status) seen.emplace_back(status);
  };
  const ExportRun r = run(o, writeExportFile, watch);
  EXPECT_EQ(seen, (std::vector<std::string>{kExportStatusFit, kExportStatusMix, kExportStatusStems,
                                            kExportStatusTracks, kExportStatusClips, kExportStatusMix,
                                            kExportStatusProvenance}));
  // Tracks: one per global track a sounding layer is on, named after the bus.
  int tracks = 0;
  for (const ExportedFile& f : r.written) {
    if (f.kind != "track") continue;
    ++tracks;
    EXPECT_GE(f.trackIndex, 0);
    EXPECT_EQ(f.path.find(out + "/Tracks/"), 0u);
  }
  EXPECT_GT(tracks, 1);
}

TEST_F(ExportJobFixture, DeclaredTracksShipFittedWithTheirFoldsAndTheirReport) {
  // Every layer on the first bus, which declares one stereo track: the overlapping
  // layers cannot all have a track of their own, so some fold together.
  for (Event& e : session.events) e.groupOverride = 0;
  for (Layer& l : session.results) l.group = 0;
  session.trackLayout.busses[0].slots = {BusSlot{1, static_cast<int>(ChannelFormat::Stereo), "FX"}};
  ExportOptions o = only(false, false, true, false);
  o.aafSourceChannels = false;  // conform to the declared tracks
  const ExportRun r = run(o);
  ASSERT_EQ(r.written.size(), 1u) << r.resultText;
  const ExportedFile& track = r.written[0];
  EXPECT_EQ(track.kind, "track");
  EXPECT_EQ(track.channels, 2);
  EXPECT_EQ(track.trackIndex, 0);
  EXPECT_EQ(r.tracksAfter, 1);
  EXPECT_GT(r.tracksBefore, 1);
  EXPECT_GT(r.folds, 0);
  EXPECT_EQ(r.resultText, "Export complete - 1 file, " + std::to_string(r.tracksBefore) + " → 1 tracks, " +
                              std::to_string(r.folds) + (r.folds == 1 ? " fold" : " folds"));
  // The track holds every unmuted layer: its level is that of a full mix, not of one tone.
  int rate = 0;
  const auto planar = readPlanar(track.path, rate);
  ASSERT_EQ(planar.size(), 2u);
  EXPECT_EQ(rate, 48000);
  size_t sounding = 0;
  for (float v : planar[0]) sounding += std::fabs(v) > 1e-3f;
  EXPECT_GT(sounding, static_cast<size_t>(5.5 * rate));  // the ten layers cover 0.5 s .. 6.9 s
  const std::string report = test::readAll(pathJoin(out, "Reel 1 delivery.txt"));
  EXPECT_NE(report.find("fold"), std::string::npos) << report;
  EXPECT_EQ(track.eventIndices.size(), 10u);  // its Print names every event it carries

  // Keeping the source channels ships the session's own tracks, nothing folded.
  o.aafSourceChannels = true;
  o.folder = dir.file("source-channels");
  const ExportRun kept = run(o);
  EXPECT_EQ(kept.folds, 0);
  EXPECT_EQ(kept.tracksAfter, kept.tracksBefore);
  EXPECT_EQ(static_cast<int>(kept.written.size()), kept.tracksBefore);
  EXPECT_EQ(kept.resultText.rfind("Export complete - ", 0), 0u);
}

TEST(ExportResult, TextsOfEveryOutcome) {
  ExportRun r;
  EXPECT_EQ(exportResultText(r), "Export FAILED - no files were written");
  r.failureReason = "disk full (40 MB free)";
  EXPECT_EQ(exportResultText(r), "Export FAILED - no files were written - disk full (40 MB free)");
  r.failureReason.clear();
  r.written.resize(1);
  EXPECT_EQ(exportResultText(r), "Export complete - 1 file");
  EXPECT_STREQ(exportNotice(r), "Export complete");
  r.written.resize(12);
  r.tracksBefore = 14;
  r.tracksAfter = 8;
  r.folds = 1;
  EXPECT_EQ(exportResultText(r), "Export complete - 12 files, 14 → 8 tracks, 1 fold");
  r.layersNotFitted = 1;
  EXPECT_EQ(exportResultText(r), "Export complete - 12 files, 1 LAYER DID NOT FIT");
  r.layersNotFitted = 3;
  EXPECT_EQ(exportResultText(r), "Export complete - 12 files, 3 LAYERS DID NOT FIT");
  r.aafFailed = true;
  EXPECT_EQ(exportResultText(r), "AAF export FAILED - 12 WAVs written");
  r.failureReason = "the AAF file could not be opened";
  EXPECT_EQ(exportResultText(r), "AAF export FAILED - 12 WAVs written - the AAF file could not be opened");
  EXPECT_STREQ(exportNotice(r), "Export failed");
}

TEST(ExportRollback, RemovesFilesThenOnlyTheFoldersItMade) {
  TempDir dir;
  const std::string kept = dir.file("kept");
  fs::create_directory(kept);
  test::LogCapture log;
  {
    ExportRollbackGuard guard;
    std::string error;
    ASSERT_TRUE(createExportFolder(guard, kept + "/a/b", error)) << error;
    EXPECT_EQ(guard.folders, (std::vector<std::string>{kept + "/a", kept + "/a/b"}));
    test::writeAll(kept + "/a/b/x.wav", "x");
    test::writeAll(kept + "/mine.txt", "not the run's");
    guard.files.push_back(kept + "/a/b/x.wav");
  }
  EXPECT_FALSE(fs::exists(kept + "/a"));
  EXPECT_TRUE(fs::exists(kept + "/mine.txt"));
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0], "[Export] Rollback: removed 1 files\n");
  {
    ExportRollbackGuard guard;
    std::string error;
    ASSERT_TRUE(createExportFolder(guard, kept + "/c", error));
    guard.committed = true;
  }
  EXPECT_TRUE(fs::exists(kept + "/c"));
  ExportRollbackGuard blocked;
  std::string error;
  EXPECT_FALSE(createExportFolder(blocked, kept + "/mine.txt/d", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vn
