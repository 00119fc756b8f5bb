// Missing sources found again by content: one by one, forced, or from a folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "library/file_identity.h"
#include "library/relink.h"
#include "bytes_read.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::string contentOf(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 13 + (i >> 7));
  return bytes;
}

// Registers a file under its content, then removes it so that its source is missing.
std::string registerThenLose(const std::string& path, const std::string& content) {
  test::writeAll(path, content);
  auto fp = ComputeFileFingerprint(path);
  std::string id = FileIdFor(path, fp->contentHash, fp->fileSize);
  std::filesystem::remove(path);
  return id;
}

TEST(Relink, OneSourceByContent) {
  test::TempDir dir;
  std::string content = contentOf(5000, 'a');
  int missingBefore = CountMissing();
  std::string id = registerThenLose(dir.file("orig.wav"), content);
  EXPECT_EQ(CountMissing(), missingBefore + 1);

  test::writeAll(dir.file("renamed.wav"), content);
  test::writeAll(dir.file("reencoded.wav"), contentOf(5000, 'b'));
  EXPECT_EQ(RelinkOne(id, dir.file("reencoded.wav")), kRelinkDifferentContent);
  EXPECT_EQ(RelinkOne(id, dir.file("absent.wav")), kRelinkUnreadable);
  EXPECT_EQ(RelinkOne("0000000000000bad", dir.file("renamed.wav")), kRelinkUnknownId);
  EXPECT_EQ(CountMissing(), missingBefore + 1);

  EXPECT_EQ(RelinkOne(id, dir.file("renamed.wav")), kRelinked);
  EXPECT_EQ(CurrentPathForFileId(id), dir.file("renamed.wav"));
  EXPECT_EQ(CountMissing(), missingBefore);
  EXPECT_EQ(LookupFileIdentity(id)->paths.size(), 2u);

  // A reference that never knew its content takes the first file pointed at.
  RegisterFileId("7777000077770000", dir.file("gone.wav"), 0, 0);
  EXPECT_EQ(RelinkOne("7777000077770000", dir.file("reencoded.wav")), kRelinked);
  EXPECT_EQ(LookupFileIdentity("7777000077770000")->fileSize, 5000u);
}

TEST(Relink, ForcedRelinkTakesTheNewContentAndForgetsOldPaths) {
  test::TempDir dir;
  std::string id = registerThenLose(dir.file("old.wav"), contentOf(3000, 'c'));
  test::writeAll(dir.file("other.wav"), contentOf(4000, 'd'));
  EXPECT_EQ(ForceRelink(id, dir.file("missing.wav")), kRelinkUnreadable);
  EXPECT_EQ(ForceRelink(id, dir.file("other.wav")), kRelinked);
  auto entry = LookupFileIdentity(id);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->paths, (std::vector<std::string>{dir.file("other.wav")}));
  EXPECT_EQ(entry->fileSize, 4000u);
  EXPECT_TRUE(FileIdForPath(dir.file("old.wav")).empty());
  // The entry is now found by its new content.
  auto fp = ComputeFileFingerprint(dir.file("other.wav"));
  EXPECT_EQ(FileIdFor(dir.file("other-copy.wav"), fp->contentHash, fp->fileSize), id);
}

TEST(Relink, FromFolderReadsOnlyFilesOfAMissingSize) {
  test::TempDir dir;
  std::string first = registerThenLose(dir.file("a.wav"), contentOf(50000, 'e'));
  std::string second = registerThenLose(dir.file("b.wav"), contentOf(60000, 'f'));
  std::string folder = dir.file("found");
  std::filesystem::create_directories(folder + "/deeper");
  test::writeAll(folder + "/deeper/z-copy.wav", contentOf(50000, 'e'));
  test::writeAll(folder + "/deeper/a-copy.WAV", contentOf(50000, 'e'));
  test::writeAll(folder + "/b.txt", contentOf(60000, 'f'));  // not a sound file

  int before = CountMissing();
  EXPECT_EQ(RelinkFromFolder(folder, second), 0);  // only the chosen source
  EXPECT_EQ(RelinkFromFolder(folder), 1);
  EXPECT_EQ(CurrentPathForFileId(first), folder + "/deeper/a-copy.WAV");  // the first copy in walk order
  EXPECT_EQ(CountMissing(), before - 1);
  EXPECT_EQ(RelinkSummary(1), "Relinked 1 file");
  EXPECT_EQ(RelinkSummary(3), "Relinked 3 files");
  EXPECT_EQ(RelinkSummary(0), "No matching files found");

  // A file with the right name but another size is never opened.
  test::writeAll(folder + "/b.wav", contentOf(100000, 'f'));
  if (test::bytesReadByProcess() < 0) GTEST_SKIP() << "no /proc/self/io here";
  long long start = test::bytesReadByProcess();
  EXPECT_EQ(RelinkFromFolder(folder, second), 0);
  EXPECT_LT(test::bytesReadByProcess() - start, 4096);

  test::writeAll(folder + "/deeper/b-again.wav", contentOf(60000, 'f'));
  EXPECT_EQ(RelinkFromFolder(folder), 1);
  EXPECT_EQ(CurrentPathForFileId(second), folder + "/deeper/b-again.wav");
  EXPECT_EQ(RelinkFromFolder(dir.file("no-such-folder")), 0);
}

}  // namespace
}  // namespace vn
