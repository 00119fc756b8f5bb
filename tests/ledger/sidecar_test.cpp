// Sidecars beside delivered files, and finding and recovering a Print on a machine
// whose ledger never recorded it.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/restore_events.h"
#include "ledger/print_index.h"
#include "ledger/prints_folder.h"
#include "ledger/record_print.h"
#include "ledger/recover_print.h"
#include "ledger/resolve_print.h"
#include "ledger/sidecar.h"
#include "library/file_identity.h"
#include "ledger_fixture.h"
#include "support/log_capture.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::LedgerTest;

ExportedFile exported(const std::string& path, const std::string& kind) {
  ExportedFile f;
  f.path = path;
  f.kind = kind;
  f.print = NewPrintIdentity();
  f.sampleRate = 48000;
  f.channels = 1;
  f.frames = 4800;
  return f;
}

TEST_F(LedgerTest, SidecarIsNamedAfterTheExportOrItsFolder) {
  EXPECT_EQ(SidecarBaseName("Reel3", "/x/D"), "Reel3");
  EXPECT_EQ(SidecarBaseName("", "/x/D/Mix/"), "Mix");
  EXPECT_EQ(SidecarBaseName("", ""), "Varnel");
  EXPECT_FALSE(WriteSidecar(dir.path(), "", {"{}\n"}));
  EXPECT_FALSE(WriteSidecar(dir.path(), "x", {}));

  const std::string d = dir.file("D"), mix = dir.file("D/Mix");
  fs::create_directories(mix);
  test::writeNoise(d + "/a.wav", 4800, 1);
  test::writeNoise(d + "/b.wav", 4800, 2);
  test::writeNoise(mix + "/m.wav", 4800, 3);
  ExportPrintJob named;
  named.outputFolder = d;
  named.exportName = "Reel3";
  ASSERT_EQ(RecordExportPrints({exported(d + "/a.wav", "mixdown"), exported(d + "/b.wav", "stem")}, named), 2);
  ExportPrintJob unnamed;
  unnamed.outputFolder = mix;
  ASSERT_EQ(RecordExportPrints({exported(mix + "/m.wav", "mixdown")}, unnamed), 1);
  ASSERT_TRUE(fs::exists(mix + "/Mix.vnprints.json"));

  const std::string text = test::readAll(d + "/Reel3.vnprints.json");
  const std::vector<std::string> lines = test::linesOf(d + "/Reel3.vnprints.json");
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "{");
  EXPECT_EQ(lines[1], "\"vn_prints_sidecar\": 1,");
  EXPECT_EQ(lines[2], "\"app\": \"Varnel\",");
  EXPECT_TRUE(lines[3].starts_with("\"createdUTC\": \"") && lines[3].ends_with("Z\",")) << lines[3];
  EXPECT_EQ(lines[4], "\"records\": [");
  EXPECT_EQ(lines[lines.size() - 2], "]");
  EXPECT_EQ(lines.back(), "}");
  const JsonValue root = parseJsonText(text);
  ASSERT_EQ(member(root, "records").size(), 2u);
  // Each record is there byte for byte as the ledger keeps it.
  const std::vector<std::string> records = sidecarRecordTexts(text);
  ASSERT_EQ(records.size(), 2u);
  const std::vector<PrintIndexEntry> all = AllPrints();
  for (const std::string& record : records) {
    const std::string id = readString(parseJsonText(record), "printId");
    const std::vector<PrintIndexEntry> e = FindPrints(PrintKey::PrintId, id);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(record + "\n", test::readAll(printsFolder() + "/" + e[0].recordPath));
  }
}

TEST_F(LedgerTest, SidecarWithTwoMatchesImportsNothing) {
  const std::string d = dir.file("D");
  fs::create_directories(d);
  test::writeNoise(d + "/a.wav", 4800, 1);
  fs::copy_file(d + "/a.wav", d + "/a copy.wav");
  ExportPrintJob job;
  job.outputFolder = d;
  job.exportName = "Twice";
  ASSERT_EQ(RecordExportPrints({exported(d + "/a.wav", "mixdown"), exported(d + "/a copy.wav", "mixdown")}, job), 2);

  useAppData(dir.file("elsewhere"));
  test::LogCapture log;
  const uint64_t hash = ComputeFileFingerprint(d + "/a.wav")->contentHash;
  EXPECT_FALSE(ImportFromSidecars(d + "/a.wav", "", hash, 0));
  EXPECT_EQ(log.countStarting("[Ledger] sidecar " + d + "/Twice.vnprints.json: 2 records match - ambiguous, not guessing"), 1);
  EXPECT_FALSE(fs::exists(printsFolder() + "/records"));
  EXPECT_FALSE(ResolvePrint(d + "/a.wav").has_value());
}

TEST_F(LedgerTest, AFileInAudioFilesFindsTheSidecarAbove) {
  const std::string session = dir.file("Session"), audio = session + "/Audio Files";
  fs::create_directories(audio);
  test::writeNoise(session + "/mix.wav", 4800, 5);
  ExportPrintJob job;
  job.outputFolder = session;
  job.exportName = "Spot";
  const ExportedFile file = exported(session + "/mix.wav", "mixdown");
  ASSERT_EQ(RecordExportPrints({file}, job), 1);
  fs::rename(session + "/mix.wav", audio + "/mix.wav");

  EXPECT_EQ(FindSidecars(audio + "/mix.wav"), std::vector<std::string>{session + "/Spot.vnprints.json"});
  EXPECT_EQ(FindSidecars(session + "/mix.wav"), std::vector<std::string>{session + "/Spot.vnprints.json"});
  EXPECT_TRUE(FindSidecars(dir.file("nowhere/x.wav")).empty());

  useAppData(dir.file("elsewhere"));
  test::LogCapture log;
  const std::optional<PrintIndexEntry> found = ResolvePrint(audio + "/mix.wav");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->printId, file.print.printId);
  EXPECT_EQ(log.countStarting("[Ledger] imported print " + file.print.printId + " from sidecar " + session +
                              "/Spot.vnprints.json"),
            1);
}

TEST_F(LedgerTest, AnotherMachineResolvesAndRecoversFromTheSidecar) {
  // Here: a library, a session built from it, an export recorded in this ledger.
  const std::string lib = dir.file("lib");
  fs::create_directories(lib);
  const std::vector<std::string> sources = {lib + "/slam.wav", lib + "/whoosh.wav", lib + "/pin.wav"};
  for (size_t i = 0; i < sources.size(); ++i) test::writeNoise(sources[i], 4800, 30 + static_cast<unsigned>(i));
  const Session session = test::sessionWithSources(sources);
  const std::string out = dir.file("Delivery");
  fs::create_directories(out);
  test::writeNoise(out + "/mix.wav", 9600, 40);
  test::writeNoise(out + "/stem.wav", 9600, 41);
  ExportPrintJob job;
  job.session = &session;
  job.outputFolder = out;
  job.exportName = "Reel1";
  ExportedFile mix = exported(out + "/mix.wav", "mixdown");
  ExportedFile stem = exported(out + "/stem.wav", "stem");
  stem.eventIndices = {1};
  ASSERT_EQ(RecordExportPrints({mix, stem}, job), 2);
  const std::string stemId = stem.print.printId;

  // There: only the delivered files and the sidecar arrive; the library has moved
  // and was scanned again (the same contents under their ids).
  const std::string there = dir.file("there");
  fs::create_directories(there);
  for (const char* name : {"mix.wav", "stem.wav", "Reel1.vnprints.json"}) fs::copy_file(out + "/" + name, there + "/" + name);
  const std::string movedLib = dir.file("moved lib");
  fs::rename(lib, movedLib);
  for (const std::string& s : sources) {
    const std::string moved = movedLib + "/" + fs::path(s).filename().string();
    const std::optional<FileFingerprint> fp = ComputeFileFingerprint(moved);
    ASSERT_TRUE(fp);
    FileIdFor(moved, fp->contentHash, fp->fileSize);
  }
  useAppData(dir.file("second appdata"));
  ASSERT_TRUE(AllPrints().empty());

  const std::optional<PrintIndexEntry> found = ResolvePrint(there + "/stem.wav");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->printId, stemId);
  EXPECT_EQ(found->operation, "export_stem");
  EXPECT_EQ(AllPrints().size(), 1u);  // only the one that was asked for

  test::LogCapture log;
  const std::optional<RecoveredPrint> recovered = RecoverPrint(*found);
  ASSERT_TRUE(recovered);
  EXPECT_EQ(log.countStarting("[Ledger] recovered " + stemId + " from the ledger - 1 block(s), 1 event(s)"), 1);
  ASSERT_EQ(recovered->events.size(), 1u);
  EXPECT_EQ(recovered->events[0].keywords, "whoosh");
  ASSERT_EQ(recovered->results.size(), 1u);
  EXPECT_EQ(recovered->results[0].filepath, movedLib + "/whoosh.wav");
  EXPECT_EQ(recovered->results[0].alloyMid.filepath, movedLib + "/slam.wav");
  EXPECT_EQ(recovered->results[0].alloyHigh.filepath, movedLib + "/pin.wav");
  ASSERT_TRUE(recovered->trackLayout);

  // Reverting puts them into a project, locked at their times.
  Session target;
  target.events.resize(2);
  const RestoreCounts counts = addRestoredEvents(target, recovered->events, recovered->results);
  EXPECT_EQ(counts.events, 1);
  EXPECT_EQ(counts.layers, 1);
  EXPECT_EQ(restoredText(counts), "Restored 1 event / 1 layer, locked");
  ASSERT_EQ(target.events.size(), 3u);
  EXPECT_TRUE(target.events[2].locked);
  EXPECT_FLOAT_EQ(target.events[2].time, 6.25f);
  ASSERT_EQ(target.results.size(), 1u);
  EXPECT_EQ(target.results[0].eventIdx, 2);
  EXPECT_TRUE(target.dirty);

  // The mix resolves too, by its bytes, from the same sidecar.
  const std::optional<PrintIndexEntry> mixFound = ResolvePrint(there + "/mix.wav");
  ASSERT_TRUE(mixFound);
  EXPECT_EQ(mixFound->printId, mix.print.printId);

  // A record that went missing is named, and nothing is recovered.
  fs::remove(printsFolder() + "/" + found->recordPath);
  test::LogCapture missing;
  EXPECT_FALSE(RecoverPrint(*found));
  EXPECT_EQ(missing.countStarting("[Ledger] index row found but its record is unreadable ("), 1);
}

}  // namespace
}  // namespace vn
