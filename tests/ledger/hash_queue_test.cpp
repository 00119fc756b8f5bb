// Fingerprints made beside an export, and a batch of Prints recorded with them.
#include <gtest/gtest.h>

#include <filesystem>

#include "ledger/hash_queue.h"
#include "ledger/print_index.h"
#include "ledger/record_print.h"
#include "ledger_fixture.h"

namespace vn {
namespace {

using test::LedgerTest;

TEST_F(LedgerTest, QueuedFingerprintsEqualTheReadBackOnesAndAMissingFileHasNone) {
  // Files short and long (past one read of the sample hash), more than are hashed
  // side by side, so that lanes finish at different times and take the next file.
  std::vector<std::string> paths;
  for (unsigned i = 0; i < 7; ++i) {
    paths.push_back(dir.file("f" + std::to_string(i) + ".wav"));
    test::writeNoise(paths.back(), i % 3 == 1 ? 150000 + 7000 * static_cast<int>(i) : 3000 + 1000 * static_cast<int>(i),
                     i + 1);
  }
  HashQueue queue;
  for (const std::string& p : paths) queueOutputHashes(queue, p);
  queueOutputHashes(queue, dir.file("absent.wav"));
  std::map<std::string, OutputHashes> got = takeOutputHashes(queue);
  ASSERT_EQ(got.size(), 8u);
  for (const std::string& p : paths) {
    const OutputHashes expected = ComputeOutputHashes(p);
    ASSERT_NE(expected.pcmHash, 0u);
    EXPECT_EQ(got[p].pcmHash, expected.pcmHash) << p;
    EXPECT_EQ(got[p].outputHash, expected.outputHash) << p;
    EXPECT_EQ(got[p].outputSize, expected.outputSize) << p;
  }
  EXPECT_EQ(got[dir.file("absent.wav")].pcmHash, 0u);
  EXPECT_EQ(got[dir.file("absent.wav")].outputHash, 0u);
  // The queue goes on after a take, and a take hands over only what came since.
  queueOutputHashes(queue, paths[0]);
  got = takeOutputHashes(queue);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[paths[0]].pcmHash, ComputePcmHash(paths[0]));
  // A queue dropped with work still pending (a cancelled export) stops without it.
  {
    HashQueue dropped;
    for (int i = 0; i < 200; ++i) queueOutputHashes(dropped, paths[static_cast<size_t>(i) % paths.size()]);
  }
}

TEST_F(LedgerTest, ABatchRecordsTheFingerprintsItWasGivenAndReadsTheOthers) {
  const std::string given = dir.file("given.wav"), read = dir.file("read.wav");
  test::writeNoise(given, 4800, 31);
  test::writeNoise(read, 4800, 32);
  std::vector<ExportedFile> files(2);
  files[0].path = given;
  files[0].kind = "stem";
  files[0].print = NewPrintIdentity();
  files[0].hashes = OutputHashes{0x1111222233334444ull, 77, 0x5555666677778888ull};
  files[1].path = read;
  files[1].kind = "stem";
  files[1].print = NewPrintIdentity();
  const Session session;
  ExportPrintJob job;
  job.session = &session;
  job.outputFolder = dir.path();
  ASSERT_EQ(RecordExportPrints(files, job), 2);
  const std::vector<PrintIndexEntry> a = FindPrints(PrintKey::PrintId, files[0].print.printId);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].pcmHash, "5555666677778888");
  EXPECT_EQ(a[0].outputHash, "1111222233334444");
  const std::vector<PrintIndexEntry> b = FindPrints(PrintKey::PrintId, files[1].print.printId);
  ASSERT_EQ(b.size(), 1u);
  char expected[17];
  std::snprintf(expected, sizeof expected, "%016llx", static_cast<unsigned long long>(ComputePcmHash(read)));
  EXPECT_EQ(b[0].pcmHash, expected);
  // Both records are whole on disk, and nothing temporary is left beside them.
  for (const PrintIndexEntry& e : {a[0], b[0]}) {
    const std::string record = printsFolder() + "/" + e.recordPath;
    EXPECT_TRUE(std::filesystem::exists(record)) << record;
    EXPECT_FALSE(std::filesystem::exists(record + ".tmp")) << record;
  }
}

}  // namespace
}  // namespace vn
