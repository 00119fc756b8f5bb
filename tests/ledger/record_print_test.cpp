// Recording Prints: the record, the index and sources rows, the refusals, the lock.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <utime.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "ledger/print_hashes.h"
#include "ledger/print_index.h"
#include "ledger/prints_folder.h"
#include "ledger/record_print.h"
#include "ledger/resolve_print.h"
#include "library/file_identity.h"
#include "library/text_column.h"
#include "platform/fnv.h"
#include "ledger_fixture.h"
#include "support/log_capture.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::LedgerTest;

PrintOutput outputFor(const std::string& path, const Session* session) {
  PrintOutput out;
  out.operation = "export_mixdown";
  out.outputPath = path;
  out.outputName = fs::path(path).filename().string();
  out.sampleRate = 48000;
  out.bitDepth = 16;
  out.channels = 1;
  out.channelLayout = "mono";
  out.startTC = 3600.0;
  out.fps = 24.0;
  out.durationSec = 0.5;
  out.frames = 24000;
  out.projectName = "Reel\t3";
  out.projectUuid = "uuid-1";
  out.session = session;
  return out;
}

int recordFileCount(const std::string& prints) {
  int n = 0;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(prints + "/records", ec), end; !ec && it != end; it.increment(ec))
    n += it->path().extension() == ".json";
  return n;
}

std::vector<std::string> splitTabs(const std::string& row) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t tab; (tab = row.find('\t', start)) != std::string::npos; start = tab + 1) out.push_back(row.substr(start, tab - start));
  out.push_back(row.substr(start));
  return out;
}

TEST_F(LedgerTest, RefusesAnIdThatIsNot32CharactersAndWritesNothing) {
  test::LogCapture log;
  PrintIdentity id = NewPrintIdentity();
  id.printId.pop_back();
  EXPECT_EQ(RecordPrint(id, outputFor("", nullptr)), "");
  EXPECT_EQ(log.countStarting("[Ledger] refusing to record: invalid print identity"), 1);
  EXPECT_FALSE(fs::exists(printsFolder()));

  ::unsetenv("APPDATA");
  ::setenv("HOME", "", 1);
  ::unsetenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (home && *home) GTEST_SKIP() << "HOME could not be cleared";
  EXPECT_EQ(RecordPrint(NewPrintIdentity(), outputFor("", nullptr)), "");
  EXPECT_EQ(log.countStarting("[Ledger] no app data dir - print not recorded"), 1);
}

TEST_F(LedgerTest, RecordHoldsEveryKeyInOrderWithTheFileFingerprints) {
  const std::string wav = dir.file("mix.wav"), a = dir.file("a.wav"), b = dir.file("b.wav"), c = dir.file("c.wav");
  test::writeNoise(wav, 24000, 1);
  test::writeNoise(a, 4800, 2);
  test::writeNoise(b, 4800, 3);
  test::writeNoise(c, 4800, 4);
  const Session session = test::sessionWithSources({a, b, c});
  PrintOutput out = outputFor(wav, &session);
  out.durationSec = std::numeric_limits<double>::quiet_NaN();
  const PrintIdentity id = NewPrintIdentity();

  test::LogCapture log;
  std::string text;
  const std::string path = RecordPrint(id, out, {}, &text);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(test::readAll(path), text);
  ASSERT_EQ(text.back(), '\n');
  const std::string created = utcText(std::time(nullptr)).substr(0, 7);
  EXPECT_EQ(path, printsFolder() + "/records/" + created.substr(0, 4) + "/" + created.substr(5, 2) + "/" + id.printId + ".json");

  const JsonValue r = parseJsonText(text);
  std::vector<std::string> keys;
  for (const JsonMember& m : r.members()) keys.emplace_back(m.key.text());
  const std::vector<std::string> expected = {
      "vn_print_version", "minReaderVersion", "printId", "printToken", "printRef", "parentPrintId", "createdUTC",
      "app", "appVersion", "platform", "operator", "machine", "operation", "outputPath", "outputName", "sampleRate",
      "bitDepth", "channels", "channelLayout", "startTC", "fps", "durationSec", "frames", "outputSize", "outputHash",
      "project", "videoPath", "videoStartTime", "audioFingerprint", "session", "events", "results", "fileRefs"};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(readString(r, "platform"), "linux");
  EXPECT_EQ(readString(r, "printToken"), id.printToken);
  EXPECT_EQ(readString(r, "createdUTC").size(), 20u);
  EXPECT_NE(text.find("\"durationSec\": 0,"), std::string::npos);
  EXPECT_EQ(readString(r, "frames"), "24000");
  const std::optional<FileFingerprint> fp = ComputeFileFingerprint(wav);
  ASSERT_TRUE(fp);
  EXPECT_EQ(readString(r, "outputHash"), hashText(fp->contentHash));
  EXPECT_EQ(readString(r, "outputSize"), std::to_string(fs::file_size(wav)));
  EXPECT_EQ(readString(member(r, "audioFingerprint"), "pcmHash"), hashText(ComputePcmHash(wav)));
  EXPECT_EQ(member(r, "events").size(), 2u);
  EXPECT_EQ(member(r, "results").size(), 2u);
  EXPECT_EQ(member(r, "fileRefs").size(), 3u);
  EXPECT_EQ(readString(member(r, "project"), "name"), "Reel\t3");
  EXPECT_TRUE(member(member(r, "session"), "trackLayout").isObject());

  // The index row: 17 columns, the tab of the project name escaped.
  const std::vector<std::string> index = test::linesOf(printsFolder() + "/index.tsv");
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0], "#vn_print_index\tv1");
  const std::vector<std::string> cols = splitTabs(index[1]);
  ASSERT_EQ(cols.size(), 17u);
  EXPECT_EQ(cols[0], id.printId);
  EXPECT_EQ(cols[6], "0");
  EXPECT_EQ(cols[7], "3600");
  EXPECT_EQ(cols[11], "Reel\\t3");
  EXPECT_EQ(cols[14], hashText(fp->contentHash));
  EXPECT_EQ(cols[16], path.substr(printsFolder().size() + 1));

  // Sources: primary a and b, the alloy's a and c, the pin c; each id and role once.
  const std::vector<std::string> sources = test::linesOf(printsFolder() + "/sources.tsv");
  ASSERT_EQ(sources.size(), 6u);
  EXPECT_EQ(sources[0], "#vn_print_sources\tv1");
  std::multiset<std::string> roles;
  for (size_t i = 1; i < sources.size(); ++i) {
    const std::vector<std::string> s = splitTabs(sources[i]);
    ASSERT_EQ(s.size(), 7u);
    EXPECT_EQ(s[0], id.printId);
    EXPECT_EQ(s[2].size(), 16u);
    roles.insert(s[4]);
  }
  EXPECT_EQ(roles, (std::multiset<std::string>{"primary", "primary", "alloyMid", "alloyHigh", "pin"}));
  EXPECT_EQ(log.countStarting("[Ledger] recorded " + id.printToken + " (export_mixdown) - 5 sources \xe2\x86\x92 "), 1);
}

TEST_F(LedgerTest, PcmHashFollowsTheSamplesNotTheContainer) {
  const std::string wav16 = dir.file("a16.wav"), wav24 = dir.file("a24.wav"), flac = dir.file("a.flac");
  test::writeNoise(wav16, 70000, 7);
  test::writeNoise(flac, 70000, 7, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  // The same 16-bit values in a 24-bit file decode to the same 32-bit samples.
  {
    SF_INFO in{};
    SNDFILE* src = sf_open(wav16.c_str(), SFM_READ, &in);
    ASSERT_NE(src, nullptr);
    std::vector<int> samples(static_cast<size_t>(in.frames));
    sf_readf_int(src, samples.data(), in.frames);
    sf_close(src);
    SF_INFO out = in;
    out.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* dst = sf_open(wav24.c_str(), SFM_WRITE, &out);
    ASSERT_NE(dst, nullptr);
    sf_writef_int(dst, samples.data(), in.frames);
    sf_close(dst);

    // The hash by its definition, over the samples read in one go.
    uint64_t h = kFnvStart;
    for (int v : samples) {
      const uint32_t u = static_cast<uint32_t>(v);
      const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                  static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
      h = fnvFeed(h, b, 4);
    }
    h = fnvFeedU64(h, static_cast<uint64_t>(in.frames));
    const unsigned char one[4] = {1, 0, 0, 0};
    h = fnvFeed(h, one, 4);
    EXPECT_EQ(ComputePcmHash(wav16), h);
  }
  EXPECT_EQ(ComputePcmHash(wav16), ComputePcmHash(wav24));
  EXPECT_EQ(ComputePcmHash(wav16), ComputePcmHash(flac));
  EXPECT_NE(ComputeFileFingerprint(wav16)->contentHash, ComputeFileFingerprint(wav24)->contentHash);
  test::writeNoise(dir.file("other.wav"), 70000, 8);
  EXPECT_NE(ComputePcmHash(dir.file("other.wav")), ComputePcmHash(wav16));
  test::writeAll(dir.file("junk.wav"), "RIFF not really");
  EXPECT_EQ(ComputePcmHash(dir.file("junk.wav")), 0u);
  EXPECT_EQ(ComputePcmHash(dir.file("absent.wav")), 0u);
}

TEST_F(LedgerTest, IndexWithAnotherVersionIsRebuiltBeforeALookup) {
  const PrintIdentity a = NewPrintIdentity(), b = NewPrintIdentity();
  ASSERT_FALSE(RecordPrint(a, outputFor("", nullptr)).empty());
  ASSERT_FALSE(RecordPrint(b, outputFor("", nullptr)).empty());
  test::writeAll(printsFolder() + "/index.tsv", "#vn_print_index\tv2\nnonsense\n");
  test::LogCapture log;
  const std::vector<PrintIndexEntry> found = FindPrints(PrintKey::PrintToken, b.printToken);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].printId, b.printId);
  EXPECT_EQ(log.countStarting("[Ledger] index header mismatch (#vn_print_index\tv2) - rebuild required"), 1);
  EXPECT_EQ(log.countStarting("[Ledger] rebuilt index from 2 records"), 1);
  EXPECT_EQ(test::linesOf(printsFolder() + "/index.tsv").size(), 3u);
  EXPECT_EQ(FindPrints(PrintKey::PrintId, a.printId).size(), 1u);

  // A record that does not parse is skipped with its line; the others stay.
  fs::create_directories(printsFolder() + "/records/2020/01");
  test::writeAll(printsFolder() + "/records/2020/01/broken.json", "{ not json");
  test::LogCapture again;
  EXPECT_TRUE(RebuildIndex());
  EXPECT_EQ(again.countStarting("[Ledger] rebuild: unparseable record skipped - "), 1);
  EXPECT_EQ(AllPrints().size(), 2u);
}

TEST_F(LedgerTest, AMissingOrEmptyIndexIsNoMismatch) {
  // A ledger that has recorded nothing: no index, no records, nothing to say.
  test::LogCapture fresh;
  EXPECT_TRUE(FindPrints(PrintKey::PrintToken, "~VN0000000000").empty());
  EXPECT_FALSE(LoadIndex().rebuildRequired);
  EXPECT_EQ(fresh.countStarting("[Ledger] index header mismatch"), 0);
  EXPECT_EQ(fresh.countStarting("[Ledger] rebuilt index"), 0);

  // Records whose index went missing, or was left empty: rebuilt quietly before a lookup.
  const PrintIdentity a = NewPrintIdentity(), b = NewPrintIdentity();
  ASSERT_FALSE(RecordPrint(a, outputFor("", nullptr)).empty());
  ASSERT_FALSE(RecordPrint(b, outputFor("", nullptr)).empty());
  for (const bool remove : {true, false}) {
    if (remove) fs::remove(printsFolder() + "/index.tsv");
    else test::writeAll(printsFolder() + "/index.tsv", "");
    test::LogCapture log;
    EXPECT_TRUE(LoadIndex().rebuildRequired);
    EXPECT_EQ(FindPrints(PrintKey::PrintToken, b.printToken).size(), 1u);
    EXPECT_EQ(log.countStarting("[Ledger] index header mismatch"), 0);
    EXPECT_EQ(log.countStarting("[Ledger] rebuilt index from 2 records"), 1);
  }
}

TEST_F(LedgerTest, LookupsReadOnlyTheKeyColumnAndCompareItUnescaped) {
  PrintIndexEntry odd;
  odd.printId = "0123456789abcdef0123456789abcdef";
  odd.printToken = "odd\ttoken\\";
  odd.outputHash = "00000000000000ff";
  odd.pcmHash = "00000000000000aa";
  PrintIndexEntry plain = odd;
  plain.printId = "fedcba9876543210fedcba9876543210";
  plain.printToken = "~VNPLAIN0000";
  plain.pcmHash = "00000000000000bb";
  fs::create_directories(printsFolder());
  test::writeAll(printsFolder() + "/index.tsv", std::string(kIndexHeader) + "\n" + indexRowText(odd) +
                                                    "# a comment\n\nshort\trow\n" + indexRowText(plain));
  const std::vector<PrintIndexEntry> byToken = FindPrints(PrintKey::PrintToken, "odd\ttoken\\");
  ASSERT_EQ(byToken.size(), 1u);
  EXPECT_EQ(byToken[0].printId, odd.printId);
  EXPECT_TRUE(FindPrints(PrintKey::PrintToken, "odd\\ttoken\\").empty());
  EXPECT_EQ(FindPrints(PrintKey::OutputHash, "00000000000000ff").size(), 2u);
  const std::vector<PrintIndexEntry> byPcm = FindPrints(PrintKey::PcmHash, "00000000000000bb");
  ASSERT_EQ(byPcm.size(), 1u);
  EXPECT_EQ(byPcm[0].printToken, plain.printToken);
  // A short row is still a row: its missing columns read as empty.
  const std::vector<PrintIndexEntry> shortRow = FindPrints(PrintKey::PrintId, "short");
  ASSERT_EQ(shortRow.size(), 1u);
  EXPECT_EQ(shortRow[0].printToken, "row");
  EXPECT_TRUE(shortRow[0].outputHash.empty());
  EXPECT_EQ(FindPrints(PrintKey::PrintId, plain.printId).size(), 1u);
  EXPECT_EQ(LoadIndex().entries.size(), 3u);
}

TEST_F(LedgerTest, IndexRowsRoundTripAndToleratesShortRows) {
  PrintIndexEntry e;
  e.printId = "0123456789abcdef0123456789abcdef";
  e.printToken = "~VN0123ABCD";
  e.outputName = "a\tb\\c\nd";
  e.durationSec = 12.5;
  e.sampleRate = 48000;
  e.channels = 6;
  e.outputHash = "00000000000000ff";
  e.recordPath = "records/2026/12/x.json";
  const std::string row = indexRowText(e);
  EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1);
  EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 16);
  const PrintIndexEntry back = parseIndexRow(row.substr(0, row.size() - 1));
  EXPECT_EQ(back.outputName, e.outputName);
  EXPECT_EQ(back.durationSec, 12.5);
  EXPECT_EQ(back.channels, 6);
  EXPECT_EQ(back.outputHash, e.outputHash);
  EXPECT_EQ(back.recordPath, e.recordPath);
  const PrintIndexEntry shortRow = parseIndexRow("abc\t~VN\tx\ty\tz\tp\tnan\t-inf");
  EXPECT_EQ(shortRow.printId, "abc");
  EXPECT_EQ(shortRow.durationSec, 0.0);
  EXPECT_EQ(shortRow.startTC, 0.0);
  EXPECT_TRUE(shortRow.recordPath.empty());
}

void ageFolder(const std::string& path, int seconds) {
  struct utimbuf times;
  times.actime = times.modtime = std::time(nullptr) - seconds;
  ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

TEST_F(LedgerTest, AYoungLockIsLeftAloneAndAStaleOneIsTaken) {
  ASSERT_FALSE(RecordPrint(NewPrintIdentity(), outputFor("", nullptr)).empty());
  const std::string lock = printsFolder() + "/index.lock";
  ASSERT_FALSE(fs::exists(lock));  // released after the first print

  fs::create_directory(lock);
  ageFolder(lock, 10);
  {
    test::LogCapture log;
    const PrintIdentity id = NewPrintIdentity();
    ASSERT_FALSE(RecordPrint(id, outputFor("", nullptr)).empty());
    EXPECT_EQ(log.countStarting("[Ledger] index lock busy - appending unlocked (rebuild will heal)"), 1);
    EXPECT_TRUE(fs::exists(lock));  // someone else's: not ours to remove
    EXPECT_EQ(LoadIndex().entries.size(), 2u);  // appended all the same
  }
  ageFolder(lock, 40);
  fs::create_directory(lock + "/left-behind");  // a crashed holder may leave something inside
  ageFolder(lock, 40);
  {
    test::LogCapture log;
    ASSERT_FALSE(RecordPrint(NewPrintIdentity(), outputFor("", nullptr)).empty());
    EXPECT_EQ(log.countStarting("[Ledger] index lock busy"), 0);
    EXPECT_FALSE(fs::exists(lock));  // taken, then released
    EXPECT_EQ(LoadIndex().entries.size(), 3u);
  }
  EXPECT_EQ(recordFileCount(printsFolder()), 3);
}

TEST_F(LedgerTest, TwoPrintsOfOneContentAreAmbiguousByOutputHash) {
  const std::string wav = dir.file("same.wav");
  test::writeNoise(wav, 9600, 11);
  ASSERT_FALSE(RecordPrint(NewPrintIdentity(), outputFor(wav, nullptr)).empty());
  ASSERT_FALSE(RecordPrint(NewPrintIdentity(), outputFor(wav, nullptr)).empty());
  const std::string hash = hashText(ComputeFileFingerprint(wav)->contentHash);
  EXPECT_EQ(FindPrints(PrintKey::OutputHash, hash).size(), 2u);
  test::LogCapture log;
  EXPECT_FALSE(ResolvePrint(wav).has_value());
  EXPECT_EQ(log.countStarting("[Ledger] 2 prints match " + hash + " - ambiguous, not guessing"), 1);

  // A file whose token is known finds its own Print among them.
  const std::string other = dir.file("other.wav");
  test::writeNoise(other, 9600, 12);
  const PrintIdentity id = NewPrintIdentity();
  ASSERT_FALSE(RecordPrint(id, outputFor(other, nullptr)).empty());
  std::optional<PrintIndexEntry> found = ResolvePrint(other, id.printToken);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->printId, id.printId);
  found = ResolvePrint(other);  // by its bytes
  ASSERT_TRUE(found);
  EXPECT_EQ(found->printId, id.printId);
}

TEST_F(LedgerTest, ExportPrintsAreCountedAndKeepTheirOwnEvents) {
  const std::string a = dir.file("a.wav"), b = dir.file("b.wav"), c = dir.file("c.wav");
  test::writeNoise(a, 4800, 2);
  test::writeNoise(b, 4800, 3);
  test::writeNoise(c, 4800, 4);
  const Session session = test::sessionWithSources({a, b, c});
  const std::string out = dir.file("D");
  fs::create_directories(out);
  test::writeNoise(out + "/Reel3_mix.wav", 4800, 20);
  test::writeNoise(out + "/Reel3_stem.wav", 4800, 21);
  std::vector<ExportedFile> files(3);
  files[0].path = out + "/Reel3_mix.wav";
  files[0].kind = "mixdown";
  files[0].print = NewPrintIdentity();
  files[1].path = out + "/Reel3_stem.wav";
  files[1].kind = "stem";
  files[1].print = NewPrintIdentity();
  files[1].eventIndices = {1};
  files[2].path = out + "/unrecorded.wav";
  files[2].kind = "stem";  // no identity: not recorded
  ExportPrintJob job;
  job.session = &session;
  job.outputFolder = out;
  job.exportName = "Reel3";
  test::LogCapture log;
  EXPECT_EQ(RecordExportPrints(files, job), 2);
  EXPECT_EQ(log.countStarting("[Ledger] recorded 2 of 3 written file(s)"), 1);
  EXPECT_EQ(log.countStarting("[Ledger] sidecar: 2 record(s) \xe2\x86\x92 " + out + "/Reel3.vnprints.json"), 1);
  const std::vector<PrintIndexEntry> stem = FindPrints(PrintKey::PrintId, files[1].print.printId);
  ASSERT_EQ(stem.size(), 1u);
  EXPECT_EQ(stem[0].operation, "export_stem");
  std::string text = test::readAll(printsFolder() + "/" + stem[0].recordPath);
  const JsonValue r = parseJsonText(text);
  ASSERT_EQ(member(r, "events").size(), 1u);
  EXPECT_EQ(readString(element(member(r, "events"), 0), "keywords"), "whoosh");
  ASSERT_EQ(member(r, "results").size(), 1u);
  EXPECT_EQ(readInt(element(member(r, "results"), 0), "eventIdx", -1), 0);

  // A clip holds one layer of its event: its Print names that layer alone.
  Session twoLayers = session;
  Layer extra = twoLayers.results[0];
  extra.id = 99;
  extra.name = "extra layer";
  twoLayers.results.push_back(extra);
  test::writeNoise(out + "/Reel3_clip.wav", 4800, 22);
  ExportedFile clip;
  clip.path = out + "/Reel3_clip.wav";
  clip.kind = "clip";
  clip.print = NewPrintIdentity();
  clip.eventIndices = {twoLayers.results[0].eventIdx};
  clip.layerIds = {twoLayers.results[0].id};
  job.session = &twoLayers;
  ASSERT_EQ(RecordExportPrints({clip}, job), 1);
  const std::vector<PrintIndexEntry> one = FindPrints(PrintKey::PrintId, clip.print.printId);
  ASSERT_EQ(one.size(), 1u);
  const JsonValue record = parseJsonText(test::readAll(printsFolder() + "/" + one[0].recordPath));
  ASSERT_EQ(member(record, "results").size(), 1u);
  EXPECT_EQ(readString(element(member(record, "results"), 0), "name"), twoLayers.results[0].name);
}

}  // namespace
}  // namespace vn
