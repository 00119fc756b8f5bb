// Several processes recording into one ledger at once, and one killed mid-way.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "ledger/print_index.h"
#include "ledger/record_print.h"
#include "ledger_fixture.h"
#include "platform/log.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::LedgerTest;

// A child that waits for the start signal on fd, records count prints and leaves
// without running anything of the parent's test machinery.
pid_t startRecorder(int startFd, int count, int ident) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  setLogSink([](LogStream, const std::string&) {});
  char go = 0;
  if (::read(startFd, &go, 1) != 1) ::_exit(3);
  PrintOutput out;
  out.operation = "export_stem";
  out.sampleRate = 48000;
  out.channels = 2;
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    out.outputName = "process " + std::to_string(ident) + " file " + std::to_string(i) + ".wav";
    failed += RecordPrint(NewPrintIdentity(), out).empty();
  }
  ::_exit(failed == 0 ? 0 : 1);
}

// Every record file parses as a record; returns how many there are.
int checkRecords(const std::string& prints) {
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(prints + "/records")) {
    if (entry.path().extension() != ".json") continue;
    const JsonValue r = parseJsonText(test::readAll(entry.path().string()));
    EXPECT_TRUE(r.isObject() && readString(r, "printId").size() == 32) << entry.path();
    ++count;
  }
  return count;
}

TEST_F(LedgerTest, FourProcessesRecordingAtOnceLeaveAWholeLedger) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  std::vector<pid_t> children;
  for (int p = 0; p < 4; ++p) children.push_back(startRecorder(pipeFds[0], 250, p));
  ASSERT_EQ(::write(pipeFds[1], "gggg", 4), 4);  // all four start together
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(checkRecords(printsFolder()), 1000);

  // No torn or interleaved row, locked or not.
  const std::vector<std::string> rows = test::linesOf(printsFolder() + "/index.tsv");
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], "#vn_print_index\tv1");
  int headers = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    headers += rows[i][0] == '#';
    EXPECT_EQ(std::count(rows[i].begin(), rows[i].end(), '\t'), 16) << rows[i];
  }
  EXPECT_EQ(headers, 0);
  EXPECT_EQ(rows.size(), 1001u);
  EXPECT_FALSE(fs::exists(printsFolder() + "/index.lock"));

  ASSERT_TRUE(RebuildIndex());
  const std::vector<PrintIndexEntry> all = AllPrints();
  EXPECT_EQ(all.size(), 1000u);
  std::set<std::string> ids;
  for (const PrintIndexEntry& e : all) ids.insert(e.printId);
  EXPECT_EQ(ids.size(), 1000u);
}

TEST_F(LedgerTest, AProcessKilledWhileRecordingLeavesWholeRecordsOnly) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = startRecorder(pipeFds[0], 100000, 0);
  ASSERT_EQ(::write(pipeFds[1], "g", 1), 1);
  // Let it get going, then kill it wherever it is.
  for (int waited = 0; waited < 400; ++waited) {
    if (fs::exists(printsFolder() + "/index.tsv") && test::linesOf(printsFolder() + "/index.tsv").size() > 20) break;
    ::usleep(10000);
  }
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);

  const int records = checkRecords(printsFolder());
  EXPECT_GE(records, 20);
  // The next Print and the next lookup work, whatever the lock was left as.
  const PrintIdentity id = NewPrintIdentity();
  PrintOutput out;
  out.operation = "export_mixdown";
  ASSERT_FALSE(RecordPrint(id, out).empty());
  EXPECT_EQ(FindPrints(PrintKey::PrintId, id.printId).size(), 1u);
  ASSERT_TRUE(RebuildIndex());
  EXPECT_EQ(static_cast<int>(AllPrints().size()), records + 1);
}

}  // namespace
}  // namespace vn
