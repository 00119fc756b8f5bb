// Content fingerprints and the file-identity registry.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "library/file_identity.h"
#include "platform/fnv.h"
#include "bytes_read.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::string patternBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xff);
  return bytes;
}

uint64_t expectedHash(const std::string& content) {
  uint64_t h = kFnvStart;
  if (content.size() <= 65536) {
    h = fnvFeed(h, content);
  } else {
    h = fnvFeed(h, std::string_view(content).substr(0, 65536));
    h = fnvFeed(h, std::string_view(content).substr(content.size() - 65536));
  }
  h = fnvFeedU64(h, content.size());
  return h == 0 ? 1 : h;
}

TEST(FileFingerprint, HashesHeadTailAndSizeOnly) {
  test::TempDir dir;
  for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{65537}, size_t{131072}, size_t{300000}}) {
    std::string content = patternBytes(size, static_cast<unsigned>(size));
    std::string path = dir.file("f" + std::to_string(size));
    test::writeAll(path, content);
    auto fp = ComputeFileFingerprint(path);
    ASSERT_TRUE(fp) << size;
    EXPECT_EQ(fp->fileSize, size);
    EXPECT_EQ(fp->contentHash, expectedHash(content)) << size;
  }

  // The middle of a long file is not part of its identity.
  std::string a = patternBytes(400000, 1);
  std::string b = a;
  b[200000] ^= 0x55;
  test::writeAll(dir.file("a"), a);
  test::writeAll(dir.file("b"), b);
  EXPECT_EQ(ComputeFileFingerprint(dir.file("a"))->contentHash, ComputeFileFingerprint(dir.file("b"))->contentHash);
  std::string c = a;
  c[a.size() - 1] ^= 0x55;
  test::writeAll(dir.file("c"), c);
  EXPECT_NE(ComputeFileFingerprint(dir.file("a"))->contentHash, ComputeFileFingerprint(dir.file("c"))->contentHash);

  EXPECT_FALSE(ComputeFileFingerprint(dir.file("absent")));
  EXPECT_FALSE(ComputeFileFingerprint(dir.path()));  // a folder cannot be fingerprinted
}

TEST(FileFingerprint, ReadsOnlyTheFirstAndLastSixtyFourKibibytes) {
  test::TempDir dir;
  std::string path = dir.file("sparse.wav");
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 1LL << 30), 0);  // 1 GiB of holes, cheap on disk
  ::close(fd);
  if (test::bytesReadByProcess() < 0) GTEST_SKIP() << "no /proc/self/io here";

  long long before = test::bytesReadByProcess();
  auto fp = ComputeFileFingerprint(path);
  long long after = test::bytesReadByProcess();
  ASSERT_TRUE(fp);
  EXPECT_EQ(fp->fileSize, 1ull << 30);
  // The reading of /proc/self/io itself counts a few hundred bytes.
  EXPECT_GE(after - before, 131072);
  EXPECT_LE(after - before, 131072 + 4096);
}

TEST(FileIdentityRegistry, HandsOutOneIdPerContentAndTracksPaths) {
  uint64_t generation = FileIdentityGeneration();
  std::string id = FileIdFor("/reg/one.wav", 0x1111000000000001ULL, 100);
  EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{16}"))) << id;
  EXPECT_GT(FileIdentityGeneration(), generation);
  EXPECT_EQ(FileIdFor("/reg/copy.wav", 0x1111000000000001ULL, 100), id);
  EXPECT_NE(FileIdFor("/reg/other.wav", 0x1111000000000001ULL, 101), id);  // same hash, other size
  EXPECT_NE(FileIdFor("/reg/other2.wav", 0x1111000000000002ULL, 100), id);

  auto entry = LookupFileIdentity(id);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->paths, (std::vector<std::string>{"/reg/one.wav", "/reg/copy.wav"}));
  // Neither path exists: the one seen last takes over from the vanished one.
  EXPECT_EQ(entry->currentPath, "/reg/copy.wav");
  EXPECT_EQ(FileIdForPath("/reg/copy.wav"), id);
  EXPECT_TRUE(FileIdForPath("/reg/never.wav").empty());
  EXPECT_TRUE(CurrentPathForFileId("ffffffffffffff00").empty());
}

TEST(FileIdentityRegistry, RegistrationKeepsAnExistingCurrentPathAndAliasesForeignIds) {
  test::TempDir dir;
  std::string real = dir.file("real.wav");
  test::writeAll(real, "x");
  RegisterFileId("1234123412341234", real, 0x2222000000000001ULL, 1);
  // A reference from elsewhere (a project made on another machine) names the same
  // content under its own id and a stale path: both ids resolve to the existing file.
  RegisterFileId("abcdabcdabcdabcd", "/elsewhere/real.wav", 0x2222000000000001ULL, 1);
  EXPECT_EQ(CurrentPathForFileId("1234123412341234"), real);
  EXPECT_EQ(CurrentPathForFileId("abcdabcdabcdabcd"), real);
  EXPECT_EQ(LookupFileIdentity("abcdabcdabcdabcd")->paths.size(), 2u);

  // A current path that vanished gives way to a newly seen one.
  RegisterFileId("5555555555555555", "/gone/a.wav", 0x2222000000000002ULL, 5);
  RegisterFileId("5555555555555555", real, 0x2222000000000002ULL, 5);
  EXPECT_EQ(CurrentPathForFileId("5555555555555555"), real);

  // An id first known without content learns it from a later reference.
  RegisterFileId("6666666666666666", "/p/six.wav", 0, 0);
  EXPECT_EQ(LookupFileIdentity("6666666666666666")->contentHash, 0u);
  RegisterFileId("6666666666666666", "/p/six.wav", 0x2222000000000006ULL, 6);
  EXPECT_EQ(LookupFileIdentity("6666666666666666")->contentHash, 0x2222000000000006ULL);
  EXPECT_EQ(FileIdFor("/p/six-copy.wav", 0x2222000000000006ULL, 6), "6666666666666666");
}

TEST(FileIdentityRegistry, ConcurrentRequestsForOneContentAgreeOnTheId) {
  std::vector<std::string> ids(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) ids[t] = FileIdFor("/threads/" + std::to_string(t), 0x3333000000000001ULL, 77);
    });
  for (auto& th : threads) th.join();
  for (const std::string& id : ids) EXPECT_EQ(id, ids[0]);
  EXPECT_EQ(LookupFileIdentity(ids[0])->paths.size(), 8u);
}

}  // namespace
}  // namespace vn
