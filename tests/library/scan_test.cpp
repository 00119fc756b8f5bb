// The folder scan on the demo library: everything found, measured, grouped,
// summarised, saved and published; unchanged files reused on the next scan.
#include "library/scan.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

#include "library/index_file.h"
#include "library/libraries.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "scan_fixtures.h"
#include "support/temp_dir.h"
#include "tools/demo_library.h"

namespace vn {
namespace {

void RunScan(ScanStatus& status, const std::string& folder, bool force = false, int threads = 0) {
  ScanRequest request;
  request.folder = folder;
  request.force = force;
  request.maxThreads = threads;
  request.status = &status;
  status.running = true;
  ScanFolder(request);
  EXPECT_FALSE(status.running);
}

const LibraryRecord& ByName(const Library& library, const std::string& name) {
  auto it = std::find_if(library.records.begin(), library.records.end(),
                         [&](const LibraryRecord& r) { return r.name == name; });
  if (it == library.records.end()) {
    ADD_FAILURE() << name << " was not indexed";
    static const LibraryRecord missing;
    return missing;
  }
  return *it;
}

// One demo library for the whole suite: writing it is the slow part.
class DemoScan : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    folder_ = dir_->path() + "/Demo Scan";
    const tools::DemoLibraryResult written = tools::WriteDemoLibrary(folder_);
    ASSERT_TRUE(written.ok) << written.error;
    files_ = written.files.size();
  }
  static void TearDownTestSuite() { delete dir_; }

  static test::TempDir* dir_;
  static std::string folder_;
  static size_t files_;
};
test::TempDir* DemoScan::dir_ = nullptr;
std::string DemoScan::folder_;
size_t DemoScan::files_ = 0;

TEST_F(DemoScan, IndexesMeasuresGroupsAndReuses) {
  ScanStatus status;
  RunScan(status, folder_, false, 2);
  const int total = static_cast<int>(files_);
  EXPECT_EQ(status.total, total);
  EXPECT_EQ(status.processed, total);
  EXPECT_EQ(status.analysed, total);
  EXPECT_EQ(status.reused, 0);
  EXPECT_EQ(status.progress, 1.0f);
  ScanTexts texts = ReadScanTexts(status);
  EXPECT_TRUE(texts.failedFiles.empty()) << texts.failedFiles.front().path << ": " << texts.failedFiles.front().reason;
  EXPECT_EQ(texts.message, "Done! " + std::to_string(total) + " files indexed.");

  std::optional<Library> library = test::PublishedLibrary(folder_);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->name, "Demo Scan");
  EXPECT_GT(library->scanned, 0);
  ASSERT_EQ(library->records.size(), files_);
  EXPECT_TRUE(std::is_sorted(library->records.begin(), library->records.end(),
                             [](const LibraryRecord& a, const LibraryRecord& b) { return a.path < b.path; }));
  EXPECT_EQ(library->summary.rfind(std::to_string(total) + " files, ", 0), 0u) << library->summary;

  // Clear pitches on the tonal hits.
  const std::map<std::string, int> notes{{"MUSCPerc_Marimba_A3_01", 57},
                                         {"MUSCPerc_Marimba_C5_01", 72},
                                         {"BELLHand_Handbell_A5_01", 81},
                                         {"GLASTonl_WineGlass_Ring_C6_01", 84},
                                         {"MUSCSynth_Pluck_A2_01", 45}};
  for (const auto& [name, note] : notes) {
    const LibraryRecord& r = ByName(*library, name);
    EXPECT_EQ(r.midiNote, note) << name;
    EXPECT_NEAR(r.pitchHz, 440.0 * std::pow(2.0, (note - 69) / 12.0), 0.01 * r.pitchHz) << name;
    EXPECT_GT(r.pitchConfidence, 0.8f) << name;
  }
  // Noise-like sounds are flatter than tones, and have no pitch.
  const LibraryRecord& rain = ByName(*library, "RAIN_Rain_Light_01");
  EXPECT_GT(rain.flatness, ByName(*library, "MUSCPerc_Marimba_C4_01").flatness + 0.3f);
  EXPECT_EQ(rain.midiNote, -1);
  EXPECT_LT(ByName(*library, "UIClick_Button_Click_01").attackTime, 0.02f);

  // Formats, layouts and groups.
  const LibraryRecord& surround = ByName(*library, "EXPLReal_Explosion_Distant_01");
  EXPECT_EQ(surround.channels, 6);
  EXPECT_EQ(surround.layout, 6);
  EXPECT_EQ(surround.bitDepth, 16);
  EXPECT_EQ(ByName(*library, "WHSH_Air_Pass_Fast_01").layout, -1);
  EXPECT_EQ(ByName(*library, "METLTonl_Bowl_Ring_Eb4_01").bitDepth, 32);
  EXPECT_EQ(ByName(*library, "METLTonl_Bowl_Ring_Eb4_01").sampleRate, 96000.0f);
  EXPECT_TRUE(endsWithNoCase(ByName(*library, "WOODImpt_Branch_Snap_01").path, ".aif"));
  EXPECT_EQ(ByName(*library, "WATRSplsh_Splash_Small_01").bitDepth, 24);  // the CAF file
  const LibraryRecord& longest = ByName(*library, "AMBForst_Forest_Birds_Morning_01");
  EXPECT_NEAR(longest.duration, 32.0, 0.01);
  const std::vector<std::string> hall{"AMBRoom_Hall_Tone_L", "AMBRoom_Hall_Tone_R", "AMBRoom_Hall_Tone_C"};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NE(ByName(*library, hall[c]).groupId, 0u);
    EXPECT_EQ(ByName(*library, hall[c]).groupId, ByName(*library, hall[0]).groupId);
    EXPECT_EQ(ByName(*library, hall[c]).groupChannel, c);
  }
  EXPECT_EQ(ByName(*library, "AMBUrbn_Street_Night_Rs").groupChannel, 5);
  EXPECT_NE(ByName(*library, "AMBUrbn_Street_Night_Rs").groupId, ByName(*library, hall[0]).groupId);
  EXPECT_EQ(ByName(*library, "WHSH_Air_Pass_Fast_01").groupId, 0u);

  // Identity, metadata and category words.
  const LibraryRecord& door = ByName(*library, "DOORWood_Slam_Heavy_03");
  EXPECT_EQ(door.fileId.size(), 16u);
  EXPECT_NE(door.contentHash, 0u);
  EXPECT_EQ(door.fileSize, std::filesystem::file_size(door.path));
  EXPECT_EQ(door.description, "Heavy oak door slammed shut, close perspective");
  EXPECT_EQ(door.keywords.rfind("doors wood ", 0), 0u) << door.keywords;
  EXPECT_NE(ByName(*library, "FIRECrkl_Campfire_Crackle_02").keywords.find("campfire crackle logs night outdoor"),
            std::string::npos);
  EXPECT_EQ(ByName(*library, "DSGNDron_Drone_Dark_A1_01").keywords, "");  // designed sounds get no category words

  // The index file holds the same records.
  Library saved;
  ASSERT_TRUE(ReadLibraryFile(LibraryIndexPath("Demo Scan"), saved));
  EXPECT_EQ(saved.records.size(), files_);
  EXPECT_EQ(saved.folder, folder_);

  // Nothing changed: every record is reused, nothing decoded.
  const std::string firstIndex = test::readAll(LibraryIndexPath("Demo Scan"));
  ScanStatus again;
  RunScan(again, folder_);
  EXPECT_EQ(again.reused, total);
  EXPECT_EQ(again.analysed, 0);
  ASSERT_TRUE(test::PublishedLibrary(folder_));
  EXPECT_EQ(test::PublishedLibrary(folder_)->records.size(), files_);

  // One file touched: only it is analysed again.
  utimbuf times{1000000000, 1000000000};
  ASSERT_EQ(::utime(door.path.c_str(), &times), 0);
  ScanStatus touched;
  RunScan(touched, folder_);
  EXPECT_EQ(touched.analysed, 1);
  EXPECT_EQ(touched.reused, total - 1);
  EXPECT_EQ(ByName(*test::PublishedLibrary(folder_), door.name).modifiedTime, 1000000000);

  // Forced, on one worker: every file analysed again, with the very same results.
  ScanStatus forced;
  RunScan(forced, folder_, true, 1);
  EXPECT_EQ(forced.analysed, total);
  EXPECT_EQ(forced.reused, 0);
  const Library redone = *test::PublishedLibrary(folder_);
  for (size_t i = 0; i < redone.records.size(); ++i) {
    const LibraryRecord& a = library->records[i];
    const LibraryRecord& b = redone.records[i];
    EXPECT_EQ(a.fileId, b.fileId) << a.name;
    EXPECT_EQ(a.rmsDb, b.rmsDb) << a.name;
    EXPECT_EQ(a.flatness, b.flatness) << a.name;
    EXPECT_EQ(a.pitchHz, b.pitchHz) << a.name;
    EXPECT_EQ(a.bandShare, b.bandShare) << a.name;
    EXPECT_EQ(a.attackTime, b.attackTime) << a.name;
  }
}

TEST(Scan, OldSchemaIndexIsAnalysedAgain) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Schema Check";
  for (int i = 0; i < 3; ++i) test::WriteTone(folder + "/tone" + std::to_string(i) + ".wav", 4096);
  ScanStatus first;
  RunScan(first, folder);
  ASSERT_EQ(first.analysed, 3);

  const std::string index = LibraryIndexPath("Schema Check");
  std::string text = test::readAll(index);
  const size_t version = text.find(" v10\n");
  ASSERT_NE(version, std::string::npos);
  text.replace(version, 5, " v9\n");
  // Library-wide settings survive the re-analysis.
  text.insert(text.find('\n') + 1, "# mmDisableGrouping: 1\n");
  test::writeAll(index, text);

  std::vector<std::string> lines;
  LogSink previous = setLogSink([&](LogStream, const std::string& line) { lines.push_back(line); });
  ScanStatus second;
  RunScan(second, folder);
  setLogSink(previous);
  EXPECT_EQ(second.analysed, 3);
  EXPECT_EQ(second.reused, 0);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "[Library] Schema Check was written by schema v9 (current v10) - re-analysing every file.\n"),
            lines.end());
  ASSERT_TRUE(test::PublishedLibrary(folder));
  EXPECT_TRUE(test::PublishedLibrary(folder)->mmDisableGrouping);
  EXPECT_NE(test::readAll(index).find("# Varnel SFX Library v10\n"), std::string::npos);
}

TEST(Scan, StartScanRunsInTheBackgroundOnce) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Background/";
  for (int i = 0; i < 4; ++i) test::WriteTone(folder + "t" + std::to_string(i) + ".wav", 48000);
  ScanStatus status;
  ScanRequest request;
  request.folder = folder;
  ASSERT_TRUE(StartScan(status, request));
  EXPECT_FALSE(StartScan(status, request));  // one at a time
  WaitForScan(status);
  EXPECT_FALSE(status.running);
  EXPECT_EQ(ReadScanTexts(status).name, "Background");
  EXPECT_EQ(status.analysed, 4);
  ASSERT_TRUE(StartScan(status, request));  // a finished scan frees the status
  WaitForScan(status);
  EXPECT_EQ(status.reused, 4);

  // Both scans published a Library of the folder; the caller keeps the newest.
  const std::string published = test::PublishedLibrary(folder)->folder;
  EXPECT_EQ(DropOlderLibrariesOf(published), 1);
  EXPECT_EQ(DropOlderLibrariesOf(published), 0);
  std::lock_guard lock(AppLibraries().mutex);
  EXPECT_EQ(std::count_if(AppLibraries().libraries.begin(), AppLibraries().libraries.end(),
                          [&](const Library& l) { return l.folder == published; }),
            1);
}

}  // namespace
}  // namespace vn
