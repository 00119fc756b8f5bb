#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/atomic_write.h"
#include "platform/fnv.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

TEST(AtomicWrite, ReplacesTargetAndLeavesNoTemporary) {
  test::TempDir dir;
  const std::string target = dir.file("doc.txt");
  test::writeAll(target, "old");
  WriteResult r = writeFileAtomic(target, "new content");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(test::readAll(target), "new content");
  EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
}

TEST(AtomicWrite, FailuresKeepThePreviousFileByteForByte) {
  test::TempDir dir;
  // A target that is a folder: the rename fails, the temporary file goes away.
  const std::string folderTarget = dir.file("isfolder");
  std::filesystem::create_directories(folderTarget + "/inner");
  WriteResult r = writeFileAtomic(folderTarget, "x");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.renameFailed);
  EXPECT_FALSE(r.error.empty());
  EXPECT_FALSE(std::filesystem::exists(folderTarget + ".tmp"));
  EXPECT_TRUE(std::filesystem::is_directory(folderTarget + "/inner"));

  // A read-only folder: the temporary cannot be created; the old file stays.
  if (::geteuid() != 0) {  // root ignores folder permissions
    const std::string ro = dir.file("ro");
    std::filesystem::create_directories(ro);
    test::writeAll(ro + "/doc", "precious");
    ::chmod(ro.c_str(), 0555);
    WriteResult r2 = writeFileAtomic(ro + "/doc", "clobber");
    ::chmod(ro.c_str(), 0755);
    EXPECT_FALSE(r2.ok);
    EXPECT_EQ(test::readAll(ro + "/doc"), "precious");
  }

  // A missing folder.
  WriteResult r3 = writeFileAtomic(dir.file("no/such/folder/doc"), "x");
  EXPECT_FALSE(r3.ok);
}

TEST(AtomicWrite, ABatchCommitsEachFileAloneAndFailsOnlyItsOwn) {
  test::TempDir dir;
  test::writeAll(dir.file("a"), "old a");
  std::filesystem::create_directories(dir.file("isfolder/inner"));
  const std::vector<FileContent> files{{dir.file("a"), "new a"},
                                       {dir.file("no/such/folder/b"), "b"},
                                       {dir.file("isfolder"), "c"},
                                       {dir.file("d"), ""}};
  const std::vector<WriteResult> results = writeFilesAtomic(files);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(test::readAll(dir.file("a")), "new a");
  EXPECT_FALSE(results[1].ok);
  EXPECT_FALSE(results[1].error.empty());
  EXPECT_FALSE(results[2].ok);
  EXPECT_TRUE(results[2].renameFailed);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("isfolder/inner")));
  EXPECT_TRUE(results[3].ok);
  EXPECT_TRUE(std::filesystem::exists(dir.file("d")));
  for (const auto& f : files) EXPECT_FALSE(std::filesystem::exists(f.path + ".tmp")) << f.path;
  EXPECT_TRUE(writeFilesAtomic({}).empty());
}

TEST(Paths, StemsExtensionsAndAppData) {
  EXPECT_EQ(stemOf("/x/y/Vol.2"), "Vol");
  EXPECT_EQ(stemOf("/x/y/boom.wav"), "boom");
  EXPECT_EQ(stemOf("noext"), "noext");
  EXPECT_EQ(extensionOf("/a/b.c/file.WAV"), ".WAV");
  EXPECT_EQ(extensionOf("/a/b.c/file"), "");
  EXPECT_EQ(parentFolder("/a/b/c.wav"), "/a/b");
  EXPECT_EQ(pathJoin("/a/", "b"), "/a/b");
  EXPECT_TRUE(endsWithNoCase("Take.VNPROJ", ".vnproj"));
  EXPECT_FALSE(endsWithNoCase("x.vnproj.bak", ".vnproj"));
  // The test environment points APPDATA at a private folder.
  EXPECT_EQ(appDataFolder(), std::string(std::getenv("APPDATA")) + "/Varnel");
}

TEST(Fnv, KnownValues) {
  // Empty input leaves the start value; one byte is xor then multiply.
  EXPECT_EQ(fnvFeed(kFnvStart, "", 0), kFnvStart);
  uint64_t expected = (kFnvStart ^ 0x61ULL) * kFnvPrime;
  EXPECT_EQ(fnvFeed(kFnvStart, "a"), expected);
  // The size feed is little-endian byte order.
  unsigned char bytes[8] = {0x34, 0x12, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(fnvFeedU64(kFnvStart, 0x1234), fnvFeed(kFnvStart, bytes, 8));
}

}  // namespace
}  // namespace vn
