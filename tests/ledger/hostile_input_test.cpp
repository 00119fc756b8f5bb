// Damaged and hostile ledger files: mutated records, index rows and sidecars are read
// without a crash, and nothing read from them reaches outside the ledger.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ledger/print_facts.h"
#include "ledger/print_index.h"
#include "ledger/record_print.h"
#include "ledger/recover_print.h"
#include "ledger/sidecar.h"
#include "ledger_fixture.h"
#include "platform/log.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::LedgerTest;

std::string mutate(std::string text, std::mt19937& rng) {
  static const char kBytes[] = "{}[]\",:\\\t\n0123456789.-eE~VNnulltrue \x80\xff";
  const int edits = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const size_t at = rng() % text.size();
    switch (rng() % 5) {
      case 0: text[at] = kBytes[rng() % (sizeof kBytes - 1)]; break;
      case 1: text.erase(at, 1 + rng() % 16); break;
      case 2: text.insert(at, 1, kBytes[rng() % (sizeof kBytes - 1)]); break;
      case 3: text.resize(at); break;
      default: text.insert(at, text.substr(rng() % text.size(), rng() % 64)); break;
    }
  }
  return text;
}

class Silence {
 public:
  Silence() { previous_ = setLogSink([](LogStream, const std::string&) {}); }
  ~Silence() { setLogSink(previous_); }

 private:
  LogSink previous_;
};

TEST_F(LedgerTest, MutatedRecordsRowsAndSidecarsAreReadWithoutHarm) {
  const std::string a = dir.file("a.wav"), b = dir.file("b.wav"), c = dir.file("c.wav"), out = dir.file("out");
  test::writeNoise(a, 2400, 1);
  test::writeNoise(b, 2400, 2);
  test::writeNoise(c, 2400, 3);
  fs::create_directories(out);
  test::writeNoise(out + "/mix.wav", 2400, 4);
  const Session session = test::sessionWithSources({a, b, c});
  ExportedFile file;
  file.path = out + "/mix.wav";
  file.kind = "mixdown";
  file.print = NewPrintIdentity();
  ExportPrintJob job;
  job.session = &session;
  job.outputFolder = out;
  job.exportName = "Mix";
  ASSERT_EQ(RecordExportPrints({file}, job), 1);
  const std::vector<PrintIndexEntry> entries = AllPrints();
  ASSERT_EQ(entries.size(), 1u);
  const std::string recordPath = printsFolder() + "/" + entries[0].recordPath;
  const std::string record = test::readAll(recordPath);
  const std::string sidecar = test::readAll(out + "/Mix.vnprints.json");
  const std::vector<std::string> indexLines = test::linesOf(printsFolder() + "/index.tsv");
  ASSERT_EQ(indexLines.size(), 2u);

  Silence quiet;
  std::mt19937 rng(20261206);
  for (int i = 0; i < 2000; ++i) {
    // A record: read for its facts and recovered.
    test::writeAll(recordPath, mutate(record, rng));
    (void)ReadPrintFacts(entries[0]);
    if (std::optional<RecoveredPrint> r = RecoverPrint(entries[0])) {
      Session target;
      addRestoredEvents(target, r->events, r->results);
      for (const Layer& l : target.results) EXPECT_LT(l.eventIdx, static_cast<int>(target.events.size()));
    }
    if (i % 500 == 0) RebuildIndex();

    // An index row.
    const PrintIndexEntry row = parseIndexRow(mutate(indexLines[1], rng));
    (void)ReadPrintFacts(row);
    (void)RecoverPrint(row);

    // A sidecar beside the file: what it imports stays inside the ledger.
    if (i % 8 == 0) {
      test::writeAll(out + "/Mix.vnprints.json", mutate(sidecar, rng));
      (void)sidecarRecordTexts(test::readAll(out + "/Mix.vnprints.json"));
      (void)ImportFromSidecars(out + "/mix.wav", file.print.printToken, 0, 0);
    }
  }
  // The index file itself, damaged: a lookup still answers.
  for (int i = 0; i < 200; ++i) {
    std::string text;
    for (const std::string& line : indexLines) text += mutate(line, rng) + "\n";
    test::writeAll(printsFolder() + "/index.tsv", mutate(text, rng));
    (void)FindPrints(PrintKey::PrintToken, file.print.printToken);
  }
  // Nothing was written outside the ledger and the delivery folder.
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    const std::string path = entry.path().string();
    EXPECT_TRUE(path.starts_with(dir.path() + "/appdata") || path.starts_with(out) || path == a || path == b || path == c)
        << path;
  }
  // A whole record put back is found again (sidecars whose id was mutated into
  // another may have brought in more records of the same token).
  test::writeAll(recordPath, record);
  ASSERT_TRUE(RebuildIndex());
  EXPECT_EQ(FindPrints(PrintKey::PrintId, file.print.printId).size(), 1u);
}

}  // namespace
}  // namespace vn
