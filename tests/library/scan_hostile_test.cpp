// The scan against files it cannot use, folders that go away and users who cancel:
// bad files are listed with a reason, the rest is indexed, nothing already saved is lost.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include "library/analyse_file.h"
#include "library/index_file.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "library/scan_walk.h"
#include "platform/log.h"
#include "scan_fixtures.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

ScanRequest Request(ScanStatus& status, const std::string& folder, int threads = 0) {
  ScanRequest request;
  request.folder = folder;
  request.maxThreads = threads;
  request.status = &status;
  return request;
}

// A canonical 44-byte WAV header for 16-bit PCM.
std::string WavHeader(uint16_t channels, uint32_t rate, uint32_t dataBytes, uint32_t riffBytes) {
  std::string h = "RIFF____WAVEfmt ";
  auto put32 = [&](uint32_t v) { h.append(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&](uint16_t v) { h.append(reinterpret_cast<const char*>(&v), 2); };
  std::memcpy(&h[4], &riffBytes, 4);
  put32(16);
  put16(1);
  put16(channels);
  put32(rate);
  put32(rate * channels * 2u);
  put16(static_cast<uint16_t>(channels * 2));
  put16(16);
  h += "data";
  put32(dataBytes);
  return h;
}

std::string SineBytes(size_t frames) {
  std::string data(frames * 2, '\0');
  for (size_t i = 0; i < frames; ++i) {
    const int16_t v = static_cast<int16_t>(8000.0 * std::sin(0.05 * static_cast<double>(i)));
    std::memcpy(&data[i * 2], &v, 2);
  }
  return data;
}

TEST(ScanHostile, BadFilesAreListedAndTheRestIndexed) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Hostile Files";
  std::filesystem::create_directories(folder + "/deep.wav");
  test::WriteTone(folder + "/deep.wav/inner.wav", 8000);  // a folder named like a sound is walked into
  test::WriteTone(folder + "/exact.wav", 2048);
  test::WriteTone(folder + "/short.wav", 2047);
  test::WriteTone(folder + "/.hidden.WAV", 4096);
  const std::string good = test::readAll(folder + "/exact.wav");
  std::string garbage(5000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u) >> 3);
  test::writeAll(folder + "/garbage.wav", garbage);
  test::writeAll(folder + "/garbage.aiff", "FORM" + garbage);
  test::writeAll(folder + "/truncated.wav", good.substr(0, 30));
  test::writeAll(folder + "/empty.wav", "");
  test::writeAll(folder + "/nochannels.wav", WavHeader(0, 48000, 8000, 8036) + SineBytes(4000));
  test::writeAll(folder + "/huge.wav", WavHeader(1, 48000, 0xFFFFFFF0u, 0xFFFFFFF8u) + SineBytes(3000));
  test::writeAll(folder + "/notes.txt", "not a sound");

  ScanStatus status;
  status.running = true;
  ScanFolder(Request(status, folder));
  EXPECT_EQ(status.total, 10);  // notes.txt is not a sound file, deep.wav is a folder
  EXPECT_EQ(status.processed, 10);

  const ScanTexts texts = ReadScanTexts(status);
  std::set<std::string> failed;
  for (const ScanFailure& f : texts.failedFiles) {
    failed.insert(f.path.substr(folder.size() + 1));
    EXPECT_FALSE(f.reason.empty()) << f.path;
  }
  EXPECT_EQ(failed, (std::set<std::string>{"garbage.wav", "garbage.aiff", "truncated.wav", "empty.wav",
                                           "nochannels.wav", "short.wav"}));
  for (const ScanFailure& f : texts.failedFiles) {
    if (f.path.ends_with("short.wav")) {
      EXPECT_EQ(f.reason, "it holds less than one 2048-frame block of audio");
    }
  }

  std::optional<Library> library = test::PublishedLibrary(folder);
  ASSERT_TRUE(library);
  std::set<std::string> indexed;
  for (const LibraryRecord& r : library->records) indexed.insert(r.path.substr(folder.size() + 1));
  EXPECT_EQ(indexed, (std::set<std::string>{".hidden.WAV", "deep.wav/inner.wav", "exact.wav", "huge.wav"}));
  EXPECT_EQ(status.analysed, 4);
  for (const LibraryRecord& r : library->records) {
    if (r.name != "huge") continue;
    // The declared size is a lie; only what is there is measured.
    EXPECT_NEAR(r.duration, 3000.0 / 48000.0, 1e-4);
    EXPECT_GT(r.rmsDb, -20.0f);
  }
}

// Two workers that keep meeting different bad files at once each get the reason of
// their own file, never the other's.
TEST(ScanHostile, ConcurrentOpenFailuresKeepTheirOwnReasons) {
  test::TempDir dir;
  const std::string noData = dir.path() + "/nodata.wav";
  const std::string unknown = dir.path() + "/unknown.wav";
  test::writeAll(noData, std::string("RIFF\x10\0\0\0WAVEjunkjunk", 20));
  test::writeAll(unknown, std::string(5000, '\x5a'));
  auto reasonFor = [](const std::string& path) {
    AnalysisWorkingSet set;
    LibraryRecord record;
    std::string why;
    EXPECT_FALSE(AnalyseFile(path, record, set, &why));
    return why;
  };
  const std::string noDataReason = reasonFor(noData), unknownReason = reasonFor(unknown);
  ASSERT_NE(noDataReason, unknownReason);
  std::atomic<int> mixedUp{0};
  auto keepOpening = [&](const std::string& path, const std::string& expected) {
    AnalysisWorkingSet set;
    for (int i = 0; i < 8000; ++i) {
      LibraryRecord record;
      std::string why;
      AnalyseFile(path, record, set, &why);
      if (why != expected) ++mixedUp;
    }
  };
  std::thread first(keepOpening, noData, noDataReason);
  keepOpening(unknown, unknownReason);
  first.join();
  EXPECT_EQ(mixedUp.load(), 0);
}

TEST(ScanHostile, MissingFolderAndCancelledWalk) {
  test::TempDir dir;
  ScanStatus missing;
  missing.running = true;
  ScanFolder(Request(missing, dir.path() + "/Not There"));
  ScanTexts texts = ReadScanTexts(missing);
  EXPECT_EQ(texts.message, "No audio files found.");
  EXPECT_EQ(texts.error, "Scan interrupted: No such file or directory");
  EXPECT_FALSE(missing.running);

  const std::string folder = dir.path() + "/Walk Stop";
  for (int i = 0; i < 6; ++i) test::WriteTone(folder + "/s" + std::to_string(i) + ".wav", 4096);
  int asked = 0;
  const WalkResult partial = WalkAudioFiles(folder, [&] { return ++asked <= 2; });
  EXPECT_EQ(partial.files.size(), 2u);
  EXPECT_FALSE(partial.failed);

  // A first scan saves an index; a scan cancelled before its walk ends publishes
  // nothing and leaves that index exactly as it was.
  ScanStatus first;
  first.running = true;
  ScanFolder(Request(first, folder));
  const std::string saved = test::readAll(LibraryIndexPath("Walk Stop"));
  ASSERT_FALSE(saved.empty());
  const size_t publishedBefore = AppLibraries().libraries.size();
  ScanStatus cancelled;  // running already cleared: the walk stops at once
  ScanFolder(Request(cancelled, folder));
  EXPECT_FALSE(cancelled.running);
  EXPECT_EQ(cancelled.analysed + cancelled.reused, 0);
  EXPECT_EQ(AppLibraries().libraries.size(), publishedBefore);
  EXPECT_EQ(test::readAll(LibraryIndexPath("Walk Stop")), saved);
}

TEST(ScanHostile, IndexThatCannotBeWrittenStillPublishes) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Blocked Index";
  test::WriteTone(folder + "/a.wav", 4096);
  test::WriteTone(folder + "/b.wav", 4096);
  // A folder where the index file goes: the write fails, whatever the user's rights.
  const std::string indexPath = LibraryIndexPath("Blocked Index");
  std::filesystem::create_directories(indexPath + "/keep");

  std::vector<std::string> lines;
  LogSink previous = setLogSink([&](LogStream, const std::string& line) { lines.push_back(line); });
  ScanStatus status;
  status.running = true;
  ScanFolder(Request(status, folder));
  setLogSink(previous);

  EXPECT_EQ(ReadScanTexts(status).message, "Done! 2 files indexed.");
  std::optional<Library> library = test::PublishedLibrary(folder);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->records.size(), 2u);
  EXPECT_TRUE(std::filesystem::is_directory(indexPath + "/keep"));
  EXPECT_EQ(lines, std::vector<std::string>{"[Library] Could not write " + indexPath + "; the previous index stays.\n"});
}

// Clears running once the scan has processed `after` files, as the interface does.
std::thread CancelAfter(ScanStatus& status, int after, const std::function<void()>& atThatPoint = {}) {
  return std::thread([&status, after, atThatPoint] {
    while (status.running && status.processed < after) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (atThatPoint) atThatPoint();
    status.running = false;
  });
}

TEST(ScanHostile, CancelledAnalysisPublishesWhatWasDone) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Cancel Midway";
  test::WriteTone(dir.file("long.wav"), 30 * 48000);
  for (int i = 0; i < 30; ++i)
    test::LinkFile(dir.file("long.wav"), folder + "/long" + std::to_string(100 + i) + ".wav");

  ScanStatus status;
  status.running = true;
  std::thread canceller = CancelAfter(status, 2);
  ScanFolder(Request(status, folder, 1));
  canceller.join();
  ASSERT_LT(status.analysed, 30) << "the scan ended before the cancel arrived";
  EXPECT_GE(status.analysed, 2);
  EXPECT_EQ(status.processed, 30);  // the end reports every file found
  std::optional<Library> library = test::PublishedLibrary(folder);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->records.size(), static_cast<size_t>(status.analysed));
  Library saved;
  ASSERT_TRUE(ReadLibraryFile(LibraryIndexPath("Cancel Midway"), saved));
  EXPECT_EQ(saved.records.size(), library->records.size());
  EXPECT_EQ(saved.records.front().name, "long100");  // files are taken in path order
}

TEST(ScanHostile, CheckpointEveryFiveHundredFiles) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Checkpoint Run";
  test::WriteTone(dir.file("tiny.wav"), 2048);
  test::WriteTone(dir.file("long.wav"), 30 * 48000);
  for (int i = 0; i < 500; ++i) test::LinkFile(dir.file("tiny.wav"), folder + "/a" + std::to_string(1000 + i) + ".wav");
  for (int i = 0; i < 10; ++i) test::LinkFile(dir.file("long.wav"), folder + "/z" + std::to_string(10 + i) + ".wav");

  // When file 502 is done, the checkpoint after file 500 is on disk and the slow
  // files keep the final write far away.
  ScanStatus status;
  status.running = true;
  Library checkpoint;
  bool read = false;
  std::thread canceller =
      CancelAfter(status, 502, [&] { read = ReadLibraryFile(LibraryIndexPath("Checkpoint Run"), checkpoint); });
  ScanFolder(Request(status, folder, 1));
  canceller.join();
  ASSERT_TRUE(read);
  EXPECT_EQ(checkpoint.records.size(), 500u);
  EXPECT_EQ(checkpoint.folder, folder);
  EXPECT_EQ(checkpoint.records.back().name, "a1499");
}

// Five hundred reused files bring no checkpoint: the index on disk already holds
// them, and writing only those would drop the rest of it.
TEST(ScanHostile, ReusedFilesLeaveTheIndexAloneUntilTheFinalWrite) {
  test::TempDir dir;
  const std::string folder = dir.path() + "/Unchanged Run";
  test::WriteTone(dir.file("tiny.wav"), 2048);
  for (int i = 0; i < 500; ++i) test::LinkFile(dir.file("tiny.wav"), folder + "/a" + std::to_string(1000 + i) + ".wav");
  auto longPath = [&](int i) { return folder + "/z" + std::to_string(10 + i) + ".wav"; };
  for (int i = 0; i < 3; ++i) test::WriteTone(longPath(i), 30 * 48000);
  ScanStatus first;
  first.running = true;
  ScanFolder(Request(first, folder, 1));
  ASSERT_EQ(first.analysed, 503);

  for (int i = 0; i < 3; ++i) test::WriteTone(longPath(i), 29 * 48000);  // changed: analysed again
  ScanStatus status;
  status.running = true;
  Library onDisk;
  bool read = false;
  std::thread canceller =
      CancelAfter(status, 501, [&] { read = ReadLibraryFile(LibraryIndexPath("Unchanged Run"), onDisk); });
  ScanFolder(Request(status, folder, 1));
  canceller.join();
  ASSERT_TRUE(read);
  EXPECT_EQ(onDisk.records.size(), 503u);
  EXPECT_GE(status.reused, 500);
}

}  // namespace
}  // namespace vn
